// Limit equilibrium of an embedded wall (Padfield and Mair, CIRIA Report 104,
// 1984; USS Steel Sheet Piling Design Manual, 1984): Rankine pressures, their
// moments about the point of rotation, and the embedment at which the
// factor of safety reaches its target. docs/design-checks.md has the formulas.
#include "design/limit_equilibrium.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

namespace darnek::design {
namespace {

constexpr double kDegree = std::numbers::pi / 180;
// Beyond these the search for a factor stops: a factor of 20 on strength or
// an embedment of ten times the wall are answers enough.
constexpr double kLargestFactor = 20;
constexpr double kSmallestFactor = 0.05;
// Pieces over the deepest depth of an integral, so that the surcharge
// pressure (not linear) is followed; the rest is linear between breaks and
// integrated exactly.
constexpr int kPieces = 48;

double Below(double z, double level) { return level >= 0 && z > level ? z - level : 0; }

double SurchargeAt(const Ground& g, double z) {
  const std::vector<double>& d = g.SurchargeDepth;
  if (d.empty()) return 0;
  if (z <= d.front()) return g.SurchargePressure.front();
  if (z >= d.back()) return g.SurchargePressure.back();
  const size_t k = static_cast<size_t>(std::upper_bound(d.begin(), d.end(), z) - d.begin());
  const double t = (z - d[k - 1]) / (d[k] - d[k - 1]);
  return g.SurchargePressure[k - 1] + t * (g.SurchargePressure[k] - g.SurchargePressure[k - 1]);
}

// A layer with tan(phi) and c divided by the strength factor: Rankine's
// coefficients (a given active coefficient replaces Ka and drops the active
// cohesion term), and the weight of soil above its top.
struct LayerState {
  double Ka = 0, SqrtKa = 0, Kp = 0, SqrtKp = 0, Cohesion = 0;
  double WeightAbove = 0;
};

// The ground made ready for one strength factor; the integrals evaluate the
// pressures thousands of times, the coefficients once.
class Soil {
 public:
  explicit Soil(const Ground& g) : g_(g) {}
  const Ground& ground() const { return g_; }

  void Prepare(double factor) {
    if (factor == factor_ && layers_.size() == g_.Layers.size()) return;
    factor_ = factor;
    layers_.resize(g_.Layers.size());
    const double beta = std::fabs(g_.BackfillSlopeDeg) * kDegree;
    double weight = 0;
    for (size_t i = 0; i < g_.Layers.size(); ++i) {
      const SoilBand& l = g_.Layers[i];
      LayerState& c = layers_[i];
      const double phi = std::atan(std::tan(l.FrictionAngleDeg * kDegree) / factor);
      if (beta > 0 && phi > beta) {
        const double cb = std::cos(beta);
        const double r = std::sqrt(cb * cb - std::cos(phi) * std::cos(phi));
        c.Ka = cb * (cb - r) / (cb + r);
      } else {
        c.Ka = std::pow(std::tan(std::numbers::pi / 4 - phi / 2), 2);
      }
      c.SqrtKa = std::sqrt(c.Ka);
      if (l.GivenKa > 0) {
        c.Ka = l.GivenKa;
        c.SqrtKa = 0;
      }
      c.SqrtKp = std::tan(std::numbers::pi / 4 + phi / 2);
      c.Kp = c.SqrtKp * c.SqrtKp;
      c.Cohesion = l.Cohesion / factor;
      c.WeightAbove = weight;
      if (i + 1 < g_.Layers.size()) weight += l.UnitWeight * (l.Bottom - l.Top);
    }
  }

  size_t LayerAt(double z) const {
    for (size_t i = 0; i + 1 < g_.Layers.size(); ++i)
      if (z < g_.Layers[i].Bottom) return i;
    return g_.Layers.size() - 1;
  }
  // The weight of soil from the top down to z (the last layer goes on).
  double WeightTo(double z) const {
    const size_t i = LayerAt(z);
    return layers_[i].WeightAbove + g_.Layers[i].UnitWeight * (z - g_.Layers[i].Top);
  }
  const LayerState& State(size_t i) const { return layers_[i]; }

  // The active earth pressure behind before it is cut off at zero.
  double ActiveTerm(double z) const {
    const size_t i = LayerAt(z);
    const LayerState& c = layers_[i];
    const double total = g_.SurfacePressure + WeightTo(z);
    const double sigma = g_.Layers[i].Drained ? total - g_.UnitWeightWater * Below(z, g_.WaterBehind) : total;
    return c.Ka * sigma - 2 * c.Cohesion * c.SqrtKa;
  }

  Pressures At(double z) const {
    Pressures p;
    const size_t i = LayerAt(z);
    const SoilBand& l = g_.Layers[i];
    const LayerState& c = layers_[i];
    const double f = g_.ActiveFactor;
    p.Active = f * std::max(0.0, ActiveTerm(z));
    if (l.Drained) p.WaterBehind = f * g_.UnitWeightWater * Below(z, g_.WaterBehind);
    p.Surcharge = SurchargeAt(g_, z);
    if (z <= g_.Excavation) {
      p.WaterInFront = g_.UnitWeightWater * Below(z, g_.WaterInFront);
      return p;
    }
    const double ponded = g_.WaterInFront >= 0 ? std::max(0.0, g_.Excavation - g_.WaterInFront) : 0;
    const double total = WeightTo(z) - WeightTo(g_.Excavation) + g_.UnitWeightWater * ponded;
    const double water = g_.UnitWeightWater * Below(z, g_.WaterInFront);
    const double sigma = l.Drained ? total - water : total;
    p.Passive = c.Kp * sigma + 2 * c.Cohesion * c.SqrtKp;
    if (l.Drained) p.WaterInFront = water;
    return p;
  }

 private:
  const Ground& g_;
  double factor_ = std::numeric_limits<double>::quiet_NaN();
  std::vector<LayerState> layers_;
};

// Forces per unit length of wall (pressures times widths) at a depth.
struct Line {
  double Driving = 0;    // earth, water and surcharge behind, less the water in front
  double Resisting = 0;  // the passive earth pressure in front
};

Line LineAt(const Soil& soil, double z) {
  const Ground& g = soil.ground();
  const Pressures p = soil.At(z);
  const double behind = z <= g.Excavation ? g.ActiveWidthAbove : g.ActiveWidthBelow;
  return {(p.Active + p.WaterBehind + p.Surcharge - p.WaterInFront) * behind, p.Passive * g.PassiveWidth};
}

// The two moments about a depth, and the two forces.
struct Balance {
  double Driving = 0, Resisting = 0;  // moments
  double DrivingForce = 0, ResistingForce = 0;
  double NetActive = 0, NetPassive = 0;  // moments of the net pressure's two parts
  double NetActiveForce = 0, NetPassiveForce = 0;
};

// Gauss-Legendre, five points: exact for the products of the linear
// pressures and the linear arms between breaks.
constexpr double kNodes[5] = {-0.9061798459386640, -0.5384693101056831, 0.0, 0.5384693101056831,
                              0.9061798459386640};
constexpr double kWeights[5] = {0.2369268850561891, 0.4786286704993665, 0.5688888888888889,
                                0.4786286704993665, 0.2369268850561891};

// Depths where the pressures change their rule: the excavation level, the
// water tables and the layer boundaries, sorted.
std::vector<double> Breaks(const Ground& g) {
  std::vector<double> breaks{g.Excavation, g.WaterBehind, g.WaterInFront};
  for (const SoilBand& l : g.Layers) {
    breaks.push_back(l.Top);
    breaks.push_back(l.Bottom);
  }
  std::sort(breaks.begin(), breaks.end());
  breaks.erase(std::unique(breaks.begin(), breaks.end()), breaks.end());
  return breaks;
}

// A point inside (a, c) where f turns sign, found by bisection; NaN when f
// has the same sign at both ends.
template <class F>
double SignChange(const F& f, double a, double c) {
  const double inside = 1e-12 * std::max(1.0, std::fabs(c));
  double lo = a + inside, hi = c - inside;
  const double flo = f(lo), fhi = f(hi);
  if (!(flo * fhi < 0)) return std::numeric_limits<double>::quiet_NaN();
  for (int i = 0; i < 60; ++i) {
    const double mid = (lo + hi) / 2;
    ((f(mid) < 0) == (flo < 0) ? lo : hi) = mid;
  }
  return (lo + hi) / 2;
}

// The moments of the pressures from the top of the wall down to `bottom`
// about `reference`, a turn towards the excavation positive: about the pivot
// below (fixed earth support, `arm_sign` -1) or the tie-back (+1).
Balance MomentsAbout(const Soil& soil, const std::vector<double>& breaks, double bottom, double reference,
                     double arm_sign) {
  Balance b;
  // Between breaks the pressures are linear, but for the surcharge's.
  const double longest = soil.ground().SurchargeDepth.empty() ? bottom : bottom / kPieces;
  const auto add = [&](double a, double c) {
    const double half = (c - a) / 2;
    const double middle = (a + c) / 2;
    for (int k = 0; k < 5; ++k) {
      const double z = middle + half * kNodes[k];
      const double w = half * kWeights[k];
      const Line line = LineAt(soil, z);
      const double arm = arm_sign * (z - reference);
      b.Driving += w * line.Driving * arm;
      b.Resisting += w * line.Resisting * arm;
      b.DrivingForce += w * line.Driving;
      b.ResistingForce += w * line.Resisting;
      const double net = line.Driving - line.Resisting;
      (net > 0 ? b.NetActive : b.NetPassive) += w * std::fabs(net) * arm;
      (net > 0 ? b.NetActiveForce : b.NetPassiveForce) += w * std::fabs(net);
    }
  };
  const auto active = [&](double z) { return soil.ActiveTerm(z); };
  const auto net = [&](double z) {
    const Line line = LineAt(soil, z);
    return line.Driving - line.Resisting;
  };
  // A stretch between breaks in pieces; where the active term or the net
  // pressure turns sign inside a piece, the piece is cut there (a kink).
  const auto stretch = [&](double a, double c) {
    if (!(c > a)) return;
    const int pieces = std::max(1, static_cast<int>(std::ceil((c - a) / longest - 1e-9)));
    for (int k = 0; k < pieces; ++k) {
      const double p0 = a + (c - a) * k / pieces;
      const double p1 = a + (c - a) * (k + 1) / pieces;
      double cut = SignChange(active, p0, p1);
      if (std::isnan(cut)) cut = SignChange(net, p0, p1);
      if (std::isnan(cut)) {
        add(p0, p1);
      } else {
        add(p0, cut);
        add(cut, p1);
      }
    }
  };
  // The breaks, with the reference, between the top and the bottom.
  double from = 0;
  bool reference_done = !(reference > 0 && reference < bottom);
  for (double at : breaks) {
    if (at <= from) continue;
    if (!reference_done && reference <= at) {
      stretch(from, reference);
      from = reference;
      reference_done = true;
      if (at <= from) continue;
    }
    if (at >= bottom) break;
    stretch(from, at);
    from = at;
  }
  if (!reference_done && reference > from) {
    stretch(from, reference);
    from = reference;
  }
  stretch(from, bottom);
  return b;
}

class Wall {
 public:
  Wall(const Ground& g, const Support& s, SafetyDefinition definition)
      : g_(g), s_(s), definition_(definition), cuts_(Breaks(g)), soil_(g) {}

  // The moments with the embedment d below the excavation level in
  // equilibrium: d is the depth of the point of rotation (fixed earth) or
  // of the tip (free earth).
  Balance At(double d, double factor) const {
    soil_.Prepare(factor);
    const double bottom = g_.Excavation + d;
    return s_.Anchored ? MomentsAbout(soil_, cuts_, bottom, s_.AnchorDepth, 1)
                       : MomentsAbout(soil_, cuts_, bottom, bottom, -1);
  }
  // The factor of safety of the definition at embedment d.
  double Factor(double d) const {
    if (definition_ == SafetyDefinition::Strength) return StrengthFactor(d);
    return FactorOf(At(d, 1));
  }
  double FactorOf(const Balance& b) const {
    if (definition_ == SafetyDefinition::NetPressure)
      return b.NetActive > 0 ? b.NetPassive / b.NetActive : std::numeric_limits<double>::infinity();
    return b.Driving > 0 ? b.Resisting / b.Driving : std::numeric_limits<double>::infinity();
  }
  // The factor on tan(phi) and c at which the moments balance.
  double StrengthFactor(double d) const {
    const auto ratio = [&](double f) {
      const Balance b = At(d, f);
      return b.Driving > 0 ? b.Resisting / b.Driving : std::numeric_limits<double>::infinity();
    };
    double lo = kSmallestFactor, hi = kLargestFactor;
    if (ratio(hi) >= 1) return hi;
    if (ratio(lo) < 1) return lo;
    for (int i = 0; i < 60 && hi - lo > 1e-9; ++i) {
      const double mid = std::sqrt(lo * hi);
      (ratio(mid) >= 1 ? lo : hi) = mid;
    }
    return std::sqrt(lo * hi);
  }
  // Whether embedment d reaches the target factor. Pressures that turn the
  // wall the other way about the tie-back (a driving moment that is not
  // positive) call for no embedment in front and do not count as reaching
  // it: the wall needs a resistance this method does not give.
  bool Reaches(double d, double target) const {
    if (definition_ == SafetyDefinition::Strength) {
      const Balance b = At(d, target);
      return b.Driving > 0 && b.Resisting >= b.Driving;
    }
    const Balance b = At(d, 1);
    return b.Driving > 0 && FactorOf(b) >= target;
  }

 private:
  const Ground& g_;
  Support s_;
  SafetyDefinition definition_;
  std::vector<double> cuts_;
  mutable Soil soil_;
};

}  // namespace

Pressures PressuresAt(const Ground& g, double z, double factor) {
  if (g.Layers.empty()) return {};
  Soil soil(g);
  soil.Prepare(factor);
  return soil.At(z);
}

Embedment CheckEmbedment(const Ground& ground, double tip, const Support& support,
                         SafetyDefinition definition, double target, double toe_allowance) {
  Embedment e;
  const double provided = tip - ground.Excavation;
  if (ground.Layers.empty()) {
    e.Note = "the stage has no soil layers";
    return e;
  }
  if (ground.Excavation <= 0) {
    e.Note = "the stage retains no soil (the excavation level is at the top of the wall)";
    return e;
  }
  if (provided <= 0) {
    e.Note = "the wall does not reach below the excavation level";
    return e;
  }
  if (support.Anchored && support.AnchorDepth >= ground.Excavation) {
    e.Note = "the tie-back is at or below the excavation level";
    return e;
  }
  const Wall wall(ground, support, definition);
  // Fixed earth support: equilibrium about the point of rotation, whose
  // depth d0 below the excavation level the toe allowance turns into the
  // embedment; free earth support: about the tie-back, with the tip at d.
  const double allowance = support.Anchored ? 1.0 : toe_allowance;
  const double d_provided = provided / allowance;
  e.FactorOfSafety = wall.Factor(d_provided);
  if (!std::isfinite(e.FactorOfSafety)) {
    e.Note = support.Anchored ? "the pressures turn the wall about the tie-back towards the retained soil"
                              : "no pressure drives the wall";
    return e;
  }
  e.Checked = true;
  e.FactorBeyond = definition == SafetyDefinition::Strength && e.FactorOfSafety >= kLargestFactor;
  if (!support.Anchored) e.PivotDepth = ground.Excavation + d_provided;
  if (support.Anchored) {
    const double f = e.FactorOfSafety;
    if (definition == SafetyDefinition::Strength) {
      const Balance b = wall.At(d_provided, f);
      e.SupportForce = b.DrivingForce - b.ResistingForce;
    } else {
      const Balance b = wall.At(d_provided, 1);
      e.SupportForce = definition == SafetyDefinition::NetPressure
                           ? b.NetActiveForce - (std::isfinite(f) ? b.NetPassiveForce / f : 0)
                           : b.DrivingForce - (std::isfinite(f) ? b.ResistingForce / f : 0);
    }
  }

  // The embedment the target needs: the shortest one from which every
  // embedment down to the provided one reaches it (the factor need not grow
  // with the embedment: on passive it tends to 1 in deep clay), or, when
  // the provided one falls short, the first longer one that reaches it.
  // Scanned in steps, then bisected.
  constexpr int kSteps = 200;
  const auto bisect = [&](double fails, double reaches) {
    for (int i = 0; i < 60 && std::fabs(reaches - fails) > 1e-10 * tip; ++i) {
      const double mid = (fails + reaches) / 2;
      (wall.Reaches(mid, target) ? reaches : fails) = mid;
    }
    return reaches;
  };
  if (wall.Reaches(d_provided, target)) {
    double reaches = d_provided;
    double fails = 0;
    for (int i = kSteps - 1; i >= 1; --i) {
      const double d = d_provided * i / kSteps;
      if (!wall.Reaches(d, target)) {
        fails = d;
        break;
      }
      reaches = d;
    }
    e.Required = allowance * bisect(fails, reaches);
    e.RequiredFound = true;
    return e;
  }
  for (int i = kSteps - 1; i >= 1; --i) {
    const double d = d_provided * i / kSteps;
    if (wall.Reaches(d, target)) {
      e.ShorterReaches = allowance * d;
      break;
    }
  }
  const double longest = 10 * std::max(tip, ground.Excavation);
  double fails = d_provided;
  for (int i = 1; i <= kSteps; ++i) {
    const double d = d_provided + (longest - d_provided) * i / kSteps;
    if (wall.Reaches(d, target)) {
      e.Required = allowance * bisect(fails, d);
      e.RequiredFound = true;
      return e;
    }
    fails = d;
  }
  e.Required = allowance * longest;
  e.RequiredFound = false;
  return e;
}

}  // namespace darnek::design
