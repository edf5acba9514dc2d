// p-y curves for silt, a soil with both cohesion and friction (the c-phi
// soil of Reese and Van Impe 2001): the frictional resistance as for sand,
// the cohesive resistance as for soft clay, and one of three curve shapes
// according to where the initial line of slope k x meets the sand-type curve.
#include <algorithm>
#include <cmath>

#include "soil/frictional_soil.h"
#include "soil/py_models.h"
#include "soil/soil_profile.h"
#include "soil/soil_stop.h"

namespace darnek::soil {

namespace {

// This model was written with pi in full.
constexpr double kPiSilt = 3.141592653589793;
// Wall friction of the continuous-wall passive pressure: ten degrees with the
// single-precision pi 3.1416, in single precision.
constexpr double kWallFriction = Single(3.1416f / 18.0f);
constexpr double kLastGridFactor = Single(1.2f);
// Steps of the integration of the resistance in the equivalent depth.
constexpr int kIntegrationSteps = 50;

// Points 2 to 9 of shape 2 as fractions of yi; the repeated last point is
// part of the published grid.
constexpr double kShape2Grid[8] = {0.125, 0.25, 0.375, 0.5, 0.625, 0.875, 1, 1};
constexpr double kShape2Tail[3] = {1, Single(1.1f), Single(1.2f)};
constexpr double kShape3Tail[4] = {Single(1.05f), Single(1.10f), Single(1.15f), Single(1.2f)};

const CurveLayout kLayout = [] {
  CurveLayout layout;
  layout.EquivalentDepth = true;
  layout.Accumulation = Accumulation::Trapezoid;
  layout.AccumulateToBottom = true;
  layout.PointHeads = "( / 19X 'Y' 19X 'P' / 18X A2 14X A6 )";
  layout.PointRow = "( 2E20.3 )";
  layout.ScratchRow = {2, 2, 0};  // I5 2(2X E10.3)
  return layout;
}();

enum class Shape {
  Sand = 1,      // initial line, parabola, straight line, ultimate (as sand)
  LineMeet = 2,  // initial line to the straight segment, then the segment
  Bilinear = 3,  // initial line to pu, then pu
};

[[noreturn]] void StopOnSlope() {
  throw SoilStop(SoilStop::Kind::SlopeNotBelowFriction,
                 "excavation slope not smaller than the friction angle of silt");
}

// The integral from 0 to x of the cohesive resistance of spaced elements on
// level ground, Np c b with Np = 3 + gamma x / c + 0.5 x / b up to 9:
// 3 c b x + (gamma b + 0.5 c) x^2 / 2 down to the depth
// zr = 6 c b / (gamma b + 0.5 c) where Np reaches 9, then 9 c b.
double CohesiveIntegral(double c, double gamma, double b, double x) {
  if (c <= 0) return 0;
  const double growth = gamma * b + 0.5 * c;
  const double zr = 6 * c * b / growth;
  const double to = std::min(x, zr);
  double integral = 3 * c * b * to + 0.5 * growth * to * to;
  if (x > zr) integral += 9 * c * b * (x - zr);
  return integral;
}

class Silt final : public PyModel {
 public:
  const CurveLayout& Layout() const override { return kLayout; }

  void LookUp(RunContext& ctx, const CurveFrame& f) override {
    phi_ = FrictionAngleAt(ctx, f.Z);
    c_ = StrengthAt(ctx, f.Z);
    gamma_ = AverageUnitWeightAt(ctx, f.Z);
    k_ = f.SoilModulus;
  }

  // The depth at which the integral from 0 of A pct + pc (spaced elements,
  // level ground) equals the resistance of the layers above. The wedge value
  // is gamma (c1 x + c2 x^2) (Wedge::Linear with this model's Ka, and
  // Wedge::Quadratic), the flow-around value gamma d1 x (Wedge::FlowAround);
  // they meet at xm = (d1 - c1) / c2. Over [0, xm], in 50 equal steps, each
  // step adds A at its mid-depth times the exact integral of the wedge
  // polynomial, gamma (c1 (x1^2 - x0^2) / 2 + c2 (x1^3 - x0^3) / 3), plus the
  // exact integral of the cohesive part over the step (CohesiveIntegral); the
  // step in which the sum passes the target is interpolated linearly. Beyond
  // xm the remainder R is divided by the resistance there, the flow-around
  // value with the deep A = 0.88 plus 9 c b: X = xm + R / (0.88 gamma d1 xm + 9 c b).
  double EquivalentDepth(const CurveFrame& f, double accumulated) const override {
    if (accumulated <= 0) return 0;
    const double b = f.B;
    const double width = f.Continuous ? f.ReferenceWidth : b;
    const SandTable& a_table = f.Cyclic ? kACyclic : kAStatic;
    const Wedge w(phi_, kPiSilt);
    const double c1 = w.Linear(b, ActiveCoefficient(w, std::fabs(f.Slope)));
    const double c2 = w.Quadratic();
    const double d1 = w.FlowAround(b);
    const double xm = c2 > 0 ? std::max(0.0, (d1 - c1) / c2) : 0.0;
    const WedgeIntegral wedge = IntegrateWedge(
        a_table, width, gamma_, c1, c2, xm, kIntegrationSteps, accumulated, [&](double x0, double x1) {
          return CohesiveIntegral(c_, gamma_, b, x1) - CohesiveIntegral(c_, gamma_, b, x0);
        });
    if (wedge.Reached) return wedge.Depth;
    const double rest = accumulated - wedge.Sum;
    const double resistance = kDeepA * gamma_ * d1 * xm + 9 * std::max(c_, 0.0) * b;
    if (!(resistance > 0)) return xm;
    return xm + rest / resistance;
  }

  void Prepare(RunContext& ctx, const CurveFrame& f) override {
    const double b = f.B;
    const double x = f.X;
    const bool excavation = f.Side == Side::Excavation;
    const double theta = std::fabs(f.Slope);
    // Also stops a silt without friction, whatever the slope.
    if (std::pow(std::cos(theta), 2) - std::pow(std::cos(phi_), 2) < 1e-10) StopOnSlope();
    const double slope_factor = excavation && theta > 1e-20 ? 1 / (1 + std::tan(theta)) : 1.0;
    const Wedge w(phi_, kPiSilt);
    const double ka = ActiveCoefficient(w, theta);
    ka0_ = w.Ka;
    // The continuous-wall forms take the curve shape of a one-foot strip.
    const double width = f.Continuous ? f.ReferenceWidth : b;
    a_ = SandCoefficient(f.Cyclic ? kACyclic : kAStatic, x / width);
    b_ = SandCoefficient(f.Cyclic ? kBCyclic : kBStatic, x / width);

    if (!f.Continuous) {
      const double k0x = kK0 * x;
      const double pct = gamma_ * x *
                         (k0x * w.TanPhi * w.SinBeta / (w.TanBetaPhi * w.CosAlpha) +
                          w.TanBeta / w.TanBetaPhi * (b + x * w.TanBeta * w.TanAlpha) +
                          k0x * w.TanBeta * (w.TanPhi * w.SinBeta - w.TanAlpha) - ka * b);
      const double pcd =
          (kK0 * w.TanPhi * std::pow(w.TanBeta, 4) + w.Ka * (std::pow(w.TanBeta, 8) - 1)) * gamma_ * x * b;
      ps_ = std::min(pct, pcd);
      // As soft clay; without cohesion there is no cohesive part.
      const double np = c_ > 0 ? (3 + gamma_ * x / c_ + 0.5 * x / b) * slope_factor : 0.0;
      pc_ = np >= 9 ? 9 * c_ * b : np * c_ * b;
    } else {
      // Passive pressure on a vertical wall with ten degrees of wall friction
      // and the ground falling away at t (Coulomb).
      const double t = excavation ? theta : 0.0;
      const double root = std::sqrt(std::sin(phi_ + kWallFriction) * std::sin(phi_ - t) /
                                    (std::cos(kWallFriction) * std::cos(t)));
      const double kp = std::pow(std::cos(phi_), 2) / (std::cos(kWallFriction) * std::pow(1 - root, 2));
      const double sigma = excavation ? gamma_ * f.SideDepth : BackfillOverburdenAt(ctx, f.WallDepth);
      ps_ = kp * sigma * b;
      pc_ = 2 * c_ * std::sqrt(kp) * b * slope_factor;
    }

    pu_ = a_ * ps_;
    pm_ = 1.5 * ps_ + pc_;
    ym_ = width / 60;
    yu_ = 3 * width / 80;
    es_ = k_ * x;
    m_ = (pu_ - pm_) / (yu_ - ym_);
    n_ = pm_ / (std::fabs(m_) * ym_);
    c_curve_ = pm_ / std::pow(ym_, 1 / n_);
    yi_ = (pm_ - ym_ * m_) / (es_ - m_);
    yp_ = pu_ / es_;
    if (x > 0) {
      yk_ = std::pow(c_curve_ / es_, n_ / (n_ - 1));
      if (yk_ >= 0 && yk_ < ym_) {
        shape_ = Shape::Sand;
      } else if (yi_ >= ym_ && yi_ < yu_) {
        shape_ = Shape::LineMeet;
      } else {
        shape_ = yp_ >= yu_ ? Shape::Bilinear : Shape::Sand;
      }
    } else {
      // At or above the surface the previous curve's shape is kept.
      yk_ = 2 * width;
    }
    if (shape_ == Shape::Sand) {
      if (yu_ < yk_) {
        // The initial line reaches pu before yu: the points are spread over
        // the line up to pu / Es instead.
        ym_ = (ym_ / yu_) * (pu_ / es_);
        yu_ = pu_ / es_;
        yk_ = ym_ / 10;
      }
      // yk comes out negative (or undefined) only when C / Es is not
      // positive, that is for a modulus k that is not positive; as a base it
      // would put the first points at negative deflections. The base is then
      // ym / 10, as for a yk beyond ym / 5, so that no grid point is negative.
      ya_ = yk_ >= 0 && yk_ <= ym_ / 5 ? yk_ : ym_ / 10;
    }
  }

  double ActivePressure(const CurveFrame& f) const override {
    return FrictionalActivePressure(f.Pressure - 2 * c_ * std::sqrt(ka0_) * f.B);
  }

  double InitialModulus() const override { return es_; }

  void Grid(SidePoints& y) const override {
    y[0] = 0;
    switch (shape_) {
      case Shape::Sand:
        y[1] = ya_ / 2;
        y[2] = ya_;
        for (int j = 1; j <= 9; ++j) y[static_cast<size_t>(2 + j)] = ya_ + j * (ym_ - ya_) / 10;
        y[12] = ym_;
        y[13] = (yu_ + 2 * ym_) / 3;
        y[14] = (2 * yu_ + ym_) / 3;
        y[15] = yu_;
        y[16] = kLastGridFactor * yu_;
        break;
      case Shape::LineMeet:
        for (size_t i = 0; i < 8; ++i) y[i + 1] = yi_ * kShape2Grid[i];
        for (int j = 1; j <= 5; ++j) y[static_cast<size_t>(8 + j)] = yi_ + j * (yu_ - yi_) / 6;
        for (size_t i = 0; i < 3; ++i) y[14 + i] = kShape2Tail[i] * yu_;
        break;
      case Shape::Bilinear:
        for (int j = 1; j <= 12; ++j) y[static_cast<size_t>(j)] = j * yp_ / 12;
        for (size_t i = 0; i < 4; ++i) y[13 + i] = kShape3Tail[i] * yp_;
        break;
    }
  }

  double Resistance(double y) const override {
    double p;
    switch (shape_) {
      case Shape::Sand:
        if (y <= yk_) {
          p = es_ * y;
        } else if (y <= ym_) {
          p = c_curve_ * std::pow(y, 1 / n_);
        } else if (y <= yu_) {
          p = pm_ + m_ * (y - ym_);
        } else {
          p = pu_;
        }
        break;
      case Shape::LineMeet:
        if (y <= yi_) {
          p = es_ * y;
        } else if (y <= yu_) {
          p = es_ * yi_ + m_ * (y - yi_);
        } else {
          p = pu_;
        }
        break;
      case Shape::Bilinear:
      default:
        p = y <= yp_ ? es_ * y : pu_;
        break;
    }
    return std::min(p, es_ * y);
  }

  double ResistanceRate() const override { return pu_; }

  CurveParameters Parameters() const override {
    CurveParameters p;
    p.Set = CurveParameterSet::Silt;
    p.FrictionAngleDeg = phi_ * 180 / kPiSilt;
    p.UnitWeight = gamma_;
    p.FactorA = a_;
    p.FactorB = b_;
    p.WedgeResistance = pc_;
    p.FlowResistance = ps_;
    return p;
  }

 private:
  // Ka of the wedge: on sloping ground the active coefficient of a slope
  // theta (Rankine), on level ground tan^2(pi / 4 - phi / 2).
  double ActiveCoefficient(const Wedge& w, double theta) const {
    if (theta <= 1e-10) return w.Ka;
    const double cos_theta = std::cos(theta);
    const double root = std::sqrt(cos_theta * cos_theta - std::pow(std::cos(phi_), 2));
    return cos_theta * (cos_theta - root) / (cos_theta + root);
  }

  double phi_ = 0;
  double c_ = 0;
  double gamma_ = 0;
  double k_ = 0;
  // Kept from one curve to the next: a curve at or above the surface takes
  // the previous curve's shape.
  Shape shape_ = Shape::Sand;
  // Side.
  double ka0_ = 0;
  double a_ = 0, b_ = 0;
  double ps_ = 0, pc_ = 0;
  double pu_ = 0, pm_ = 0;
  double ym_ = 0, yu_ = 0, yk_ = 0, ya_ = 0, yi_ = 0, yp_ = 0;
  double es_ = 0;
  double m_ = 0, n_ = 0, c_curve_ = 0;
};

}  // namespace

void SiltLayer(LayerRun& run) {
  Silt model;
  RunLayerCurves(run, model);
}

}  // namespace darnek::soil
