// The p-y scratch file's curves into the solver's curve table. The solver
// receives the curves at the precision of the file, so they are parsed from
// the text that was written to it (kept as it was written; the file itself is
// never read back).
#include <algorithm>
#include <cmath>
#include <sstream>

#include "core/errors.h"
#include "core/list_reader.h"
#include "core/report_helpers.h"
#include "soil/py_curves.h"
#include "soil/soil_constants.h"

namespace darnek::soil {

namespace {

struct FilePoint {
  double p = 0;
  double y = 0;
};

FilePoint ReadPoint(ListReader& reader, const char* record) {
  int number = 0;
  FilePoint point;
  reader.Read(record, {{"point number", &number}, {"p", &point.p}, {"y", &point.y}});
  return point;
}

}  // namespace

void LoadPyCurves(RunContext& ctx) {
  ProblemData& d = ctx.data;
  std::istringstream file(ctx.py_curves_text);
  ListReader reader(file);
  const double h = d.C2.IncrementLength;

  int count = 0;
  reader.Read("p-y scratch file: number of curves", {{"number of curves", &count}});
  if (count > kMaxPyCurves) throw StorageExceeded();
  count = std::max(count, 0);
  const int num_user = std::clamp(d.C1.NumUserPyCurves, 0, static_cast<int>(d.UserPyCurves.size()));

  d.PyCurves.clear();
  d.PyCurves.reserve(static_cast<size_t>(count));
  ctx.plot.List(CodeNumber(d.C1.UnitSystemCode), count);
  for (int i = 0; i < count; ++i) {
    PyCurve curve;
    if (i < num_user) {
      int station = 0;
      int points = 0;
      reader.Read("p-y scratch file: user curve", {{"station", &station}, {"number of points", &points}});
      if (points > kMaxPyCurvePoints) throw StorageExceeded();
      curve.From = curve.To = station;
      curve.Contd = d.UserPyCurves[static_cast<size_t>(i)].Contd;
      ctx.plot.Write("( 1X F10.2 1X I5 )", station * h, points);
      for (int j = 0; j < points; ++j) {
        const FilePoint point = ReadPoint(reader, "p-y scratch file: user curve point");
        ctx.plot.List(point.y, point.p);
        curve.Y.push_back(point.y);
        curve.P.push_back(point.p * h);
      }
    } else {
      double depth = 0;
      int points = 0;
      reader.Read("p-y scratch file: generated curve", {{"depth", &depth}, {"number of points", &points}});
      if (points != 2 * kSidePoints) {
        throw InputError("p-y scratch file line " + std::to_string(reader.line()) +
                         ": a generated curve has " + std::to_string(2 * kSidePoints) + " points, not " +
                         std::to_string(points));
      }
      std::array<FilePoint, kSidePoints> excavation;
      std::array<FilePoint, kSidePoints> backfill;
      for (FilePoint& point : excavation)
        point = ReadPoint(reader, "p-y scratch file: excavation-side point");
      for (FilePoint& point : backfill) point = ReadPoint(reader, "p-y scratch file: backfill-side point");

      const int station = static_cast<int>(std::round(depth / h));
      curve.From = curve.To = station;
      curve.Contd = 1;
      // The backfill branch at negative deflections, then the excavation
      // branch without its point at zero deflection.
      for (int j = kSidePoints - 1; j >= 0; --j) {
        curve.Y.push_back(-backfill[static_cast<size_t>(j)].y);
        curve.P.push_back(backfill[static_cast<size_t>(j)].p);
      }
      for (int j = 1; j < kSidePoints; ++j) {
        curve.Y.push_back(excavation[static_cast<size_t>(j)].y);
        curve.P.push_back(-excavation[static_cast<size_t>(j)].p);
      }
      ctx.plot.Write("( 1X F10.2 1X I5 )", depth, curve.NumPoints());
      for (size_t j = 0; j < curve.Y.size(); ++j) {
        ctx.plot.List(curve.Y[j], curve.P[j]);
        curve.P[j] *= h;
      }
    }
    d.PyCurves.push_back(std::move(curve));
  }
}

}  // namespace darnek::soil
