// EI per station from the wall sections and cross sections.
#include "solver/flexural_rigidity.h"

#include <cmath>
#include <string>

#include "core/errors.h"

namespace darnek::solver {

namespace {

// Curvatures at or below 1e-8, taken in single precision as the tables were
// built, count as zero: the initial secant applies.
const double kZeroCurvature = static_cast<double>(1.0e-8f);

// Checked on every call (the tables belong to the input), without building
// any text unless the section is rejected: the iteration calls this each time.
void CheckCrossSection(const ProblemData& data, size_t wall_section) {
  const int number = data.WallSections[wall_section].SectionNumber;
  auto where = [&] {
    return "wall section " + std::to_string(wall_section + 1) + ": cross section " + std::to_string(number);
  };
  if (number < 1 || number > static_cast<int>(data.CrossSections.size())) {
    throw InputError(where() + " does not exist (there are " + std::to_string(data.CrossSections.size()) +
                     " cross sections)");
  }
  const CrossSection& section = data.CrossSections[static_cast<size_t>(number - 1)];
  if (section.SectionNonlinear == SectionKind::Elastic) return;
  const MomentCurvatureTable& table = section.Table;
  bool usable =
      table.NumPoints() >= 2 && table.Moment.size() == table.Curvature.size() && table.Curvature[1] > 0;
  for (int p = 1; usable && p < table.NumPoints(); ++p) {
    usable = table.Curvature[p] > table.Curvature[p - 1];
  }
  if (!usable) {
    throw InputError(where() +
                     " is nonlinear, and its moment-curvature table needs at least two points, "
                     "curvature increasing from point to point and a second curvature above zero");
  }
}

}  // namespace

double SecantStiffness(const MomentCurvatureTable& table, double phi) {
  const auto& c = table.Curvature;
  const auto& m = table.Moment;
  const int n = table.NumPoints();
  if (phi <= kZeroCurvature) return m[1] / c[1];
  if (phi >= c[n - 1]) return m[n - 1] / c[n - 1];
  int p = 1;
  while (c[p] < phi) ++p;
  return (m[p - 1] + (phi - c[p - 1]) * (m[p] - m[p - 1]) / (c[p] - c[p - 1])) / phi;
}

void UpdateFlexuralRigidity(RunContext& ctx) {
  const ProblemData& data = ctx.Data;
  StationTables& st = ctx.Data.Stations;
  const auto& sections = data.WallSections;
  if (sections.empty()) {
    throw InputError("no wall sections: the flexural rigidity of the wall is not defined");
  }
  for (size_t s = 0; s < sections.size(); ++s) CheckCrossSection(data, s);

  const int n = data.C2.NumIncrements;
  const double h = data.C2.IncrementLength;
  // Section depths are in feet for English units while h is in inches.
  const double dz = data.C1.UnitSystemCode == UnitSystem::English ? h / 12.0 : h;
  const double h2 = h * h;
  const WallSection& first = sections.front();
  const WallSection& last = sections.back();

  double z = 0.0;
  for (int j = 0; j <= n; ++j, z += dz) {
    enum class Place { Top, Bottom, Between };
    const WallSection* ws = &first;
    Place place = Place::Top;
    if (z <= first.SectionTop) {
      place = Place::Top;
    } else if (z >= last.SectionBottom) {
      ws = &last;
      place = Place::Bottom;
    } else {
      place = Place::Between;
      for (const WallSection& candidate : sections) {
        if (candidate.SectionBottom >= z) {
          ws = &candidate;
          break;
        }
      }
    }
    const CrossSection& cs = data.CrossSections[static_cast<size_t>(ws->SectionNumber - 1)];
    if (cs.SectionNonlinear == SectionKind::Nonlinear) {
      const double phi = std::fabs(st.W[j - 1] - 2.0 * st.W[j] + st.W[j + 1]) / h2;
      st.EI[j] = SecantStiffness(cs.Table, phi);
      continue;
    }
    const double ei_top = cs.I[0] * cs.E[0];
    const double ei_bot = cs.I[1] * cs.E[1];
    switch (place) {
      case Place::Top:
        st.EI[j] = ei_top;
        break;
      case Place::Bottom:
        st.EI[j] = ei_bot;
        break;
      case Place::Between: {
        const double length = ws->SectionBottom - ws->SectionTop;
        // A wall section of no length has no slope to follow: its top value.
        st.EI[j] = length == 0 ? ei_top : ei_top + (z - ws->SectionTop) * (ei_bot - ei_top) / length;
        break;
      }
    }
  }
}

}  // namespace darnek::solver
