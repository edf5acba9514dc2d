// Copies what the stage computed into the public result values: the solver's
// own doubles, the pressure rows and curves as the solver read them back.
#include "driver/collect_results.h"

#include <algorithm>

namespace darnek {
namespace {

ResultUnits UnitsOf(bool english) {
  if (english)
    return {"ft", "in", "rad", "lbs-in", "lbs", "lbs/in", "lbs", "lbs-in^2", "lbs", "lbs/in", "in", "lbs/in"};
  return {"m", "m", "rad", "kN-m", "kN", "kN/m", "kN", "kN-m^2", "kN", "kN/m", "m", "kN/m"};
}

void AddStations(const ResultsData& results, double depth_factor, StationTable& t) {
  const size_t n = results.Stations.size();
  for (std::vector<double>* column :
       {&t.depth, &t.deflection, &t.slope, &t.moment, &t.shear, &t.soil_reaction, &t.net_force, &t.ei})
    column->reserve(n);
  t.station.reserve(n);
  for (const StationResult& r : results.Stations) {
    t.station.push_back(r.Station);
    t.depth.push_back(r.X * depth_factor);
    t.deflection.push_back(r.Deflection);
    t.slope.push_back(r.Slope);
    t.moment.push_back(r.Moment);
    t.shear.push_back(r.Shear);
    t.soil_reaction.push_back(r.SoilReaction);
    t.net_force.push_back(r.NetForce);
    t.ei.push_back(r.EI);
  }
}

void AddPressure(const std::vector<PressureRow>& rows, double depth_factor, PressureDiagram& p) {
  std::vector<double>* columns[12] = {
      &p.depth, &p.load_per_station, &p.active_with_water, &p.surcharge, &p.passive, &p.at_rest, &p.active,
      &p.water, &p.surface_share,    &p.surcharge_loads,   &p.apparent,  &p.total};
  for (std::vector<double>* column : columns) column->reserve(rows.size());
  for (const PressureRow& row : rows) {
    p.depth.push_back(row.Depth * depth_factor);
    for (size_t c = 1; c < std::size(kPressureColumns); ++c) columns[c]->push_back(row.*kPressureColumns[c]);
  }
}

}  // namespace

StageResults CollectStageResults(const ProblemData& d, const StageSummary& summary) {
  StageResults s;
  s.stage = summary.stage;
  s.outcome = summary.outcome;
  s.solved = summary.solved;
  s.iterations = summary.iterations;
  const bool english = d.C1.UnitSystemCode == UnitSystem::English;
  s.unit_system = english ? "English" : "SI";
  s.units = UnitsOf(english);
  // Depths as the report prints them: feet, not the analysis unit inches.
  const double depth_factor = english ? 1.0 / 12 : 1.0;
  const double h = d.C2.IncrementLength;

  if (s.solved) {
    AddStations(d.Results, depth_factor, s.stations);
    int number = 0;
    for (const TieBack& t : d.TieBacks)
      s.tie_backs.push_back({++number,
                             t.Station,
                             t.Depth,
                             t.HorizontalForcePerStation,
                             t.ForcePerStation,
                             t.ForcePerTieBack,
                             {},
                             0});
  }
  AddPressure(d.Pressure.Rows, depth_factor, s.pressure);
  // The solver holds p as a load per station; a user reads it per unit length.
  const bool generated = d.C1.PyCurveOption == PyCurveSource::Generated;
  const size_t num_user =
      generated
          ? static_cast<size_t>(std::clamp(d.C1.NumUserPyCurves, 0, static_cast<int>(d.UserPyCurves.size())))
          : d.PyCurves.size();
  for (size_t i = 0; i < d.PyCurves.size(); ++i) {
    const PyCurve& c = d.PyCurves[i];
    PyCurveResult curve;
    curve.generated = i >= num_user;
    curve.station = c.From;
    curve.depth = c.From * h * depth_factor;
    curve.y = c.Y;
    curve.p.reserve(c.P.size());
    for (double p : c.P) curve.p.push_back(h != 0 ? p / h : p);
    s.py_curves.push_back(std::move(curve));
  }
  for (const IterationStep& step : d.Results.History) {
    IterationRecord r;
    r.iteration = step.Iteration;
    r.changed_stations = step.ChangedStations;
    r.max_change = step.MaxChange;
    for (int k = 0; k < 4; ++k) r.deflections[k] = step.Deflections[k];
    s.history.push_back(r);
  }
  return s;
}

}  // namespace darnek
