// Copies what the stage computed into the public result values: the solver's
// own doubles, the pressure rows and curves as the solver read them back.
#include "driver/collect_results.h"

#include <algorithm>

#include "core/decimal_depth.h"

namespace darnek {
namespace {

ResultUnits UnitsOf(bool english) {
  if (english)
    return {"ft", "in", "rad", "lbs-in", "lbs", "lbs/in", "lbs", "lbs-in^2", "lbs", "lbs/in", "in", "lbs/in"};
  return {"m", "m", "rad", "kN-m", "kN", "kN/m", "kN", "kN-m^2", "kN", "kN/m", "m", "kN/m"};
}

void AddStations(const ResultsData& results, double h, int feet, StationTable& t) {
  const size_t n = results.Stations.size();
  for (std::vector<double>* column : {&t.Depth, &t.Deflection, &t.Slope, &t.Moment, &t.Shear, &t.SoilReaction,
                                      &t.NetForce, &t.Ei, &t.AppliedLoad, &t.SupportForce})
    column->reserve(n);
  t.Station.reserve(n);
  for (const StationResult& r : results.Stations) {
    t.Station.push_back(r.Station);
    t.Depth.push_back(DecimalDepth(r.Station, h, feet));
    t.Deflection.push_back(r.Deflection);
    t.Slope.push_back(r.Slope);
    t.Moment.push_back(r.Moment);
    t.Shear.push_back(r.Shear);
    t.SoilReaction.push_back(r.SoilReaction);
    t.NetForce.push_back(r.NetForce);
    t.Ei.push_back(r.EI);
    t.AppliedLoad.push_back(r.AppliedLoad);
    t.SupportForce.push_back(r.SupportForce);
  }
}

void AddPressure(const std::vector<PressureRow>& rows, int feet, PressureDiagram& p) {
  std::vector<double>* columns[12] = {&p.Depth,        &p.LoadPerStation, &p.ActiveWithWater, &p.Surcharge,
                                      &p.Passive,      &p.AtRest,         &p.Active,          &p.Water,
                                      &p.SurfaceShare, &p.SurchargeLoads, &p.Apparent,        &p.Total};
  for (std::vector<double>* column : columns) column->reserve(rows.size());
  for (const PressureRow& row : rows) {
    p.Depth.push_back(DecimalDepth(1, row.Depth, feet));
    for (size_t c = 1; c < std::size(kPressureColumns); ++c) columns[c]->push_back(row.*kPressureColumns[c]);
  }
}

}  // namespace

StageResults CollectStageResults(const ProblemData& d, const StageSummary& summary) {
  StageResults s;
  s.Stage = summary.Stage;
  s.Outcome = summary.Outcome;
  s.Solved = summary.Solved;
  s.Iterations = summary.Iterations;
  const bool english = d.C1.UnitSystemCode == UnitSystem::English;
  s.UnitSystem = english ? "English" : "SI";
  s.Units = UnitsOf(english);
  // Depths as the report prints them: feet, not the analysis unit inches,
  // and as decimals multiply.
  const int feet = english ? 12 : 1;
  const double h = d.C2.IncrementLength;

  if (s.Solved) {
    AddStations(d.Results, h, feet, s.Stations);
    int number = 0;
    for (const TieBack& t : d.TieBacks)
      s.TieBacks.push_back({++number,
                            t.Station,
                            t.Depth,
                            t.HorizontalForcePerStation,
                            t.ForcePerStation,
                            t.ForcePerTieBack,
                            {},
                            0});
  }
  AddPressure(d.Pressure.Rows, feet, s.Pressure);
  // The solver holds p as a load per station; a user reads it per unit length.
  const bool generated = d.C1.PyCurveOption == PyCurveSource::Generated;
  const size_t num_user =
      generated
          ? static_cast<size_t>(std::clamp(d.C1.NumUserPyCurves, 0, static_cast<int>(d.UserPyCurves.size())))
          : d.PyCurves.size();
  for (size_t i = 0; i < d.PyCurves.size(); ++i) {
    const PyCurve& c = d.PyCurves[i];
    PyCurveResult curve;
    curve.Generated = i >= num_user;
    curve.Station = c.From;
    curve.Depth = DecimalDepth(c.From, h, feet);
    curve.Y = c.Y;
    curve.P.reserve(c.P.size());
    for (double p : c.P) curve.P.push_back(h != 0 ? p / h : p);
    s.PyCurves.push_back(std::move(curve));
  }
  for (const IterationStep& step : d.Results.History) {
    IterationRecord r;
    r.Iteration = step.Iteration;
    r.ChangedStations = step.ChangedStations;
    r.MaxChange = step.MaxChange;
    for (int k = 0; k < 4; ++k) r.Deflections[k] = step.Deflections[k];
    s.History.push_back(r);
  }
  return s;
}

}  // namespace darnek
