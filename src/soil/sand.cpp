// p-y curves for sand (Reese, Cox and Koop 1974): an initial line of slope
// k x, a parabola, a straight line and the ultimate resistance, with the
// resistance from the wedge or flow-around mechanism (spaced elements) or the
// passive pressure (continuous wall), scaled by the empirical A and B.
#include <algorithm>
#include <cmath>

#include "core/errors.h"
#include "core/report_helpers.h"
#include "soil/frictional_soil.h"
#include "soil/py_models.h"
#include "soil/soil_profile.h"

namespace darnek::soil {

namespace {

constexpr double kLastGridFactor = Single(1.2f);
// Steps of the integration of the wedge resistance in the equivalent depth.
constexpr int kIntegrationSteps = 100;

const CurveLayout kLayout = [] {
  CurveLayout layout;
  layout.EquivalentDepth = true;
  layout.Accumulation = Accumulation::Trapezoid;
  layout.AccumulateToBottom = true;
  layout.PointHeads = "( / 19X 'Y' 19X 'P' / 18X A2 14X A6 )";
  layout.PointRow = "( 2F20.3 )";
  layout.ScratchRow = {1, 1, 1};  // I5 2(1X 1P E10.3)
  return layout;
}();

class Sand final : public PyModel {
 public:
  const CurveLayout& Layout() const override { return kLayout; }

  void LookUp(RunContext& ctx, const CurveFrame& f) override {
    phi_ = FrictionAngleAt(ctx, f.Z);
    gamma_ = AverageUnitWeightAt(ctx, f.Z);
    k_ = f.SoilModulus;
  }

  // The depth at which the integral of A pct from the surface equals the
  // resistance of the layers above. On level ground the wedge value is
  // gamma (c1 x + c2 x^2) with
  //   c1 = b (tan beta / tan(beta - phi) - Ka),
  //   c2 = K0 tan phi sin beta / (tan(beta - phi) cos alpha)
  //        + tan^2 beta tan alpha / tan(beta - phi) + K0 tan beta (tan phi sin beta - tan alpha),
  // and the flow-around value is gamma d1 x with d1 = FlowAround(b); the two
  // meet at xm = (d1 - c1) / c2. Over [0, xm], in 100 equal steps, each step
  // adds A at its mid-depth times the exact integral of the wedge polynomial,
  // gamma (c1 (x1^2 - x0^2) / 2 + c2 (x1^3 - x0^3) / 3); the step in which
  // the sum passes the target is interpolated linearly. Beyond xm the
  // remainder is divided by the flow-around value there with the deep
  // A = 0.88: X = xm + rest / (0.88 gamma d1 xm), the resistance per unit
  // depth at the meeting depth carried on below it.
  double EquivalentDepth(const CurveFrame& f, double accumulated) const override {
    if (accumulated <= 0) return 0;
    const double b = f.B;
    const double width = f.Continuous ? f.ReferenceWidth : b;
    const SandTable& a_table = f.Cyclic ? kACyclic : kAStatic;
    const Wedge w(phi_, kPi);
    const double c1 = w.Linear(b, w.Ka);
    const double c2 = w.Quadratic();
    const double d1 = w.FlowAround(b);
    const double xm = c2 > 0 ? std::max(0.0, (d1 - c1) / c2) : 0.0;
    const WedgeIntegral wedge = IntegrateWedge(a_table, width, gamma_, c1, c2, xm, kIntegrationSteps,
                                               accumulated, [](double, double) { return 0.0; });
    if (wedge.Reached) return wedge.Depth;
    const double flow = kDeepA * gamma_ * d1 * xm;
    if (!(flow > 0)) return xm;
    return xm + (accumulated - wedge.Sum) / flow;
  }

  void Prepare(RunContext& ctx, const CurveFrame& f) override {
    const double b = f.B;
    const double x = f.X;
    const bool excavation = f.Side == Side::Excavation;
    continuous_ = f.Continuous;
    // The continuous-wall forms take the curve shape of a one-foot strip.
    const double width = f.Continuous ? f.ReferenceWidth : b;
    const double ratio = f.SideDepth / width;
    a_ = SandCoefficient(f.Cyclic ? kACyclic : kAStatic, ratio);
    b_ = SandCoefficient(f.Cyclic ? kBCyclic : kBStatic, ratio);
    const double theta = excavation ? std::fabs(f.Slope) : 0.0;
    const bool sloped = theta > 1e-15;
    const Wedge w(phi_, kPi);

    double ps = 0;
    if (!f.Continuous) {
      const double k0x = kK0 * x;
      if (!sloped) {
        pct_ = gamma_ * x *
               (k0x * w.TanPhi * w.SinBeta / (w.TanBetaPhi * w.CosAlpha) +
                w.TanBeta / w.TanBetaPhi * (b + x * w.TanBeta * w.TanAlpha) +
                k0x * w.TanBeta * (w.TanPhi * w.SinBeta - w.TanAlpha) - w.Ka * b);
      } else {
        // Wedge in front of a sloping excavation ground.
        const double tt = std::tan(theta) * w.TanBeta;
        const double dd = tt / (1 + tt);
        const double d2 = 1 / (1 + tt);
        const double ff = 4 * dd * dd * dd - 3 * dd * dd + 1;
        pct_ = gamma_ * x *
               (k0x * w.TanPhi * w.SinBeta * ff / (w.TanBetaPhi * w.CosAlpha) +
                w.TanBeta / w.TanBetaPhi * (b * d2 + x * w.TanBeta * w.TanAlpha * d2 * d2) +
                k0x * w.TanBeta * (w.TanPhi * w.SinBeta - w.TanAlpha) * ff - w.Ka * b);
      }
      pcd_ = w.FlowAround(b) * gamma_ * x;
      ps = std::min(pct_, pcd_);
    } else {
      // Passive pressure on a vertical wall with wall friction phi / 2 and
      // the ground falling away at t (Coulomb).
      const double t = sloped ? theta : 0.0;
      // The passive wedge needs ground flatter than the friction angle.
      if (t > phi_)
        throw InputError("soil layer with sand below the excavation (profile layer " +
                         std::to_string(f.Layer + 1) + "): the excavation slope of " +
                         NumberText(std::fabs(ctx.Data.Wall.ExcavationSlope)) +
                         " degrees is steeper than the friction angle of " + NumberText(phi_ * 180 / kPi) +
                         " degrees, so a continuous wall has no passive resistance there");
      const double delta = phi_ / 2;
      const double root =
          std::sqrt(std::sin(delta + phi_) * std::sin(phi_ - t) / (std::cos(delta) * std::cos(t)));
      const double kp = std::pow(std::cos(phi_), 2) / (std::cos(delta) * std::pow(1 - root, 2));
      const double sigma = excavation ? gamma_ * f.SideDepth : BackfillOverburdenAt(ctx, f.WallDepth);
      ps = kp * sigma * b;
      pct_ = ps;
      pcd_ = 0;
    }

    pu_ = a_ * ps;
    pm_ = b_ * ps;
    yu_ = 3 * width / 80;
    ym_ = width / 60;
    kx_ = k_ * x;
    slope_ = (pu_ - pm_) / (yu_ - ym_);
    n_ = pm_ / (slope_ * ym_);
    c_ = pm_ / std::pow(ym_, 1 / n_);
    yk_ = x <= 0 ? 2 * width : std::pow(c_ / kx_, n_ / (n_ - 1));
    if (yu_ < yk_) {
      // The initial line reaches pu before yu: the points are spread over the
      // line up to pu / (k x) instead.
      ym_ = (ym_ / yu_) * (pu_ / kx_);
      yu_ = pu_ / kx_;
      yk_ = ym_ / 10;
    }
    ya_ = yk_ <= ym_ / 5 ? yk_ : ym_ / 10;
  }

  double ActivePressure(const CurveFrame& f) const override { return FrictionalActivePressure(f.Pressure); }

  double InitialModulus() const override { return kx_; }

  void Grid(SidePoints& y) const override {
    y[0] = 0;
    y[1] = ya_ / 2;
    y[2] = ya_;
    for (int j = 1; j <= 9; ++j) y[static_cast<size_t>(2 + j)] = ya_ + j * (ym_ - ya_) / 10;
    y[12] = ym_;
    y[13] = (yu_ + 2 * ym_) / 3;
    y[14] = (2 * yu_ + ym_) / 3;
    y[15] = yu_;
    y[16] = kLastGridFactor * yu_;
  }

  double Resistance(double y) const override {
    double p;
    if (y <= yk_ && y < ym_) {
      p = kx_ * y;
    } else if (y >= ym_) {
      p = y < yu_ ? pm_ + slope_ * (y - ym_) : pu_;
    } else {
      p = c_ * std::pow(y, 1 / n_);
    }
    return std::min(p, kx_ * y);
  }

  double ResistanceRate() const override { return pu_; }

  CurveParameters Parameters() const override {
    CurveParameters p;
    p.Set = CurveParameterSet::Sand;
    p.FrictionAngleDeg = phi_ * 180 / kPi;
    p.UnitWeight = gamma_;
    p.FactorA = a_;
    p.FactorB = b_;
    p.Continuous = continuous_;
    p.WedgeResistance = pct_;
    p.FlowResistance = pcd_;
    return p;
  }

 private:
  double phi_ = 0;
  double gamma_ = 0;
  double k_ = 0;
  // Side.
  bool continuous_ = false;
  double a_ = 0, b_ = 0;
  double pct_ = 0, pcd_ = 0;
  double pu_ = 0, pm_ = 0;
  double yu_ = 0, ym_ = 0, yk_ = 0, ya_ = 0;
  double kx_ = 0;
  double slope_ = 0, n_ = 0, c_ = 0;
};

}  // namespace

void SandLayer(LayerRun& run) {
  Sand model;
  RunLayerCurves(run, model);
}

}  // namespace darnek::soil
