// p-y curves for soft clay (Matlock 1970): the cube-root curve to 8 y50 with
// the cyclic degradation above the transition depth zr; also used for soil
// type codes this engine does not know.
#include <cmath>

#include "core/report_helpers.h"
#include "soil/py_models.h"
#include "soil/soil_profile.h"

namespace darnek::soil {

namespace {

// Matlock's cyclic ratio of the ultimate resistance.
constexpr double kCyclicFactor = Single(0.72f);
constexpr double kOneThird = Single(1.0f / 3.0f);
constexpr double kTwoThirds = Single(2.0f / 3.0f);

// Deflections of the 17 points as fractions of 8 y50 (single precision).
constexpr float kGrid[kSidePoints] = {0.0f,   0.00025f, 0.0025f, 0.0075f, 0.02f, 0.04f, 0.06f, 0.10f, 0.15f,
                                      0.225f, 0.30f,    0.40f,   0.50f,   0.65f, 0.80f, 1.0f,  1.2f};

const CurveLayout kLayout = [] {
  CurveLayout layout;
  layout.EquivalentDepth = true;
  layout.Accumulation = Accumulation::Rectangle;
  layout.AccumulateToBottom = false;
  layout.PointHeads = "( / 18X 'Y,' 18X 'P,' / 18X A2 14X A6 )";
  layout.PointRow = "( 2F20.3 )";
  layout.ScratchRow = {1, 1, 1};  // I5 2(1X 1P E10.3)
  layout.WarnSmallDeflection = true;
  return layout;
}();

// Depth at which Np = 3 + gamma x / c + 0.5 x / b reaches 9; the width when
// it would come out as zero.
double TransitionDepth(double c, double gamma, double b) {
  const double zr = 6 * c * b / (gamma * b + 0.5 * c);
  return zr < kMinDepth ? b : zr;
}

class SoftClay final : public PyModel {
 public:
  const CurveLayout& Layout() const override { return kLayout; }

  void LookUp(RunContext& ctx, const CurveFrame& f) override {
    c_ = StrengthAt(ctx, f.Z);
    gamma_ = AverageUnitWeightAt(ctx, f.Z);
    eps50_ = E50At(ctx, f.Z);
  }

  // Inverts the integral of the ultimate resistance from the surface: the
  // wedge value (3 c b + (gamma b + 0.5 c) x, integrated in closed form) down
  // to zr, then the flow-around value 9 c b. The static root is used for
  // cyclic loading as well.
  double EquivalentDepth(const CurveFrame& f, double accumulated) const override {
    const double b = f.B;
    const double zr = TransitionDepth(c_, gamma_, b);
    const double quadratic = 0.5 * gamma_ * b + 0.25 * c_;
    const double linear = 3 * b * c_;
    const double resistance_to_zr =
        f.Cyclic ? kCyclicFactor * (gamma_ * b * zr * zr / 3 + 1.5 * c_ * b * zr + c_ * zr * zr / 6)
                 : linear * zr + quadratic * zr * zr;
    if (accumulated <= resistance_to_zr) {
      return (std::sqrt(linear * linear + 4 * accumulated * quadratic) - linear) / (2 * quadratic);
    }
    const double flow = f.Cyclic ? kCyclicFactor * 9 * c_ * b : 9 * c_ * b;
    return zr + (accumulated - resistance_to_zr) / flow;
  }

  void Prepare(RunContext& ctx, const CurveFrame& f) override {
    const double b = f.B;
    const bool excavation = f.Side == Side::Excavation;
    // A sloping excavation ground lowers the resistance in front of the wall,
    // whichever way it slopes.
    const double slope = std::fabs(f.Slope);
    const double slope_factor = excavation && slope > 1e-20 ? 1 / (1 + std::tan(slope)) : 1.0;
    x_ = f.X;
    cyclic_ = f.Cyclic;
    np_ = c_ > 0 ? (3 + gamma_ * x_ / c_ + 0.5 * x_ / b) * slope_factor : 0.0;
    pu_ = np_ <= 9 ? np_ * c_ * b : 9 * c_ * b;
    if (!f.Continuous) {
      y50_ = 2.5 * eps50_ * b;
    } else {
      // A continuous wall: passive pressure over the width, and the curve
      // shape of a one-foot strip.
      if (excavation) {
        pu_ = (gamma_ * f.SideDepth + 2 * c_) * b * slope_factor;
      } else {
        pu_ = (BackfillOverburdenAt(ctx, f.WallDepth) + 2 * c_) * b;
      }
      y50_ = 2.5 * eps50_ * f.ReferenceWidth;
    }
    zr_ = TransitionDepth(c_, gamma_, b);
    e0_ = 0.5 * pu_ * std::pow(y50_ / kSmallDeflection, kTwoThirds) / y50_;
  }

  double ActivePressure(const CurveFrame& f) const override {
    return ClayActivePressure(f.Pressure, c_, f.B);
  }

  double InitialModulus() const override { return e0_; }

  void Grid(SidePoints& y) const override {
    const double y8 = 8 * y50_;
    for (size_t i = 0; i < kSidePoints; ++i) y[i] = y8 * static_cast<double>(kGrid[i]);
  }

  double Resistance(double y) const override {
    const double static_curve = 0.5 * pu_ * std::pow(y / y50_, kOneThird);
    if (y <= 3 * y50_) return static_curve;
    if (!cyclic_) return y <= 8 * y50_ ? static_curve : pu_;
    const double cyclic_pu = kCyclicFactor * pu_;
    if (x_ >= zr_) return cyclic_pu;
    const double residual = cyclic_pu * x_ / zr_;
    if (y <= 15 * y50_) return cyclic_pu + (y - 3 * y50_) * (residual - cyclic_pu) / (12 * y50_);
    return residual;
  }

  double ResistanceRate() const override {
    if (!cyclic_) return pu_;
    return x_ >= zr_ ? kCyclicFactor * pu_ : kCyclicFactor * pu_ * (x_ / zr_);
  }

  CurveParameters Parameters() const override {
    CurveParameters p;
    p.Set = CurveParameterSet::SoftClay;
    p.Cohesion = c_;
    p.UnitWeight = gamma_;
    p.StrainAtHalfStrength = eps50_;
    return p;
  }

 private:
  double c_ = 0;
  double gamma_ = 0;
  double eps50_ = 0;
  // Side.
  double x_ = 0;
  bool cyclic_ = false;
  double np_ = 0;
  double pu_ = 0;
  double y50_ = 0;
  double zr_ = 0;
  double e0_ = 0;
};

}  // namespace

void SoftClayLayer(LayerRun& run) {
  SoftClay model;
  RunLayerCurves(run, model);
}

}  // namespace darnek::soil
