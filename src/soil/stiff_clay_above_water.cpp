// p-y curves for stiff clay above the water table (Welch and Reese 1972):
// the quarter-power curve to 16 y50, whose deflections the cyclic form
// stretches by the logarithm of the number of cycles.
#include <algorithm>
#include <cmath>

#include "soil/py_models.h"
#include "soil/soil_profile.h"
#include "soil/stiff_clay.h"

namespace darnek::soil {

namespace {

// Stretch of the deflections per decade of cycles: the last grid point at
// 1.25 y50 (16 + 9.6 log10 N), the curve at y / (1 + 0.6 log10 N).
constexpr double kGridStretch = Single(9.6f);
constexpr double kCurveStretch = Single(0.6f);

// Deflections of points 2 to 15 as fractions of 16 y50 (single precision).
constexpr float kGrid[14] = {0.00001f, 0.00005f, 0.0001f, 0.0005f, 0.001f, 0.005f, 0.01f,
                             0.025f,   0.05f,    0.075f,  0.10f,   0.25f,  0.5f,   1.0f};

const CurveLayout kLayout = [] {
  CurveLayout layout;
  layout.EquivalentDepth = true;
  layout.Accumulation = Accumulation::Trapezoid;
  layout.AccumulateToBottom = false;
  layout.PointHeads = "( / 19X 'Y' 19X 'P' / 18X A2 14X A6 )";
  // Five decimals: the first points lie at a hundred-thousandth of 16 y50.
  layout.PointRow = "( 2F20.5 )";
  layout.ScratchRow = {1, 1, 1};  // I5 2(1X 1P E10.3)
  return layout;
}();

class StiffClayAboveWater final : public PyModel {
 public:
  const CurveLayout& Layout() const override { return kLayout; }

  void BeginLayer(RunContext& ctx, const CurveFrame& f) override {
    // A static run counts one cycle, and says so in the shared value.
    if (!f.Cyclic) ctx.Data.Soil.NumCycles = 1;
  }

  void LookUp(RunContext& ctx, const CurveFrame& f) override {
    ca_ = LayerAverageStrength(ctx.Data, f, strength_curve_exceeded_);
    c_ = StrengthAt(ctx, f.Z);
    gamma_ = AverageUnitWeightAt(ctx, f.Z);
    eps50_ = E50At(ctx, f.Z);
  }

  // Inverts the integral of the wedge value 3 ca b + (gamma b + 0.5 ca) x
  // down to zr, where it reaches 9 c b, and of 9 c b beyond. The inversion
  // runs at the layer's first curve, where the running average of c over the
  // layer's curves is c itself.
  double EquivalentDepth(const CurveFrame& f, double accumulated) const override {
    const double b = f.B;
    const double running_average = c_;
    const double zr = (9 * c_ - 3 * running_average) * b / (gamma_ * b + 0.5 * c_);
    const double quadratic = 0.5 * gamma_ * b + 0.25 * c_;
    const double linear = 3 * b * c_;
    const double resistance_to_zr = quadratic * zr * zr + linear * zr;
    if (accumulated <= resistance_to_zr) {
      return (std::sqrt(linear * linear + 4 * accumulated * quadratic) - linear) / (2 * quadratic);
    }
    return zr + (accumulated - resistance_to_zr) / (9 * b * c_);
  }

  void Prepare(RunContext& ctx, const CurveFrame& f) override {
    const ProblemData& d = ctx.Data;
    const double b = f.B;
    const bool excavation = f.Side == Side::Excavation;
    const double slope = std::fabs(f.Slope);
    const double slope_factor = excavation && slope > 1e-20 ? 1 / (1 + std::tan(slope)) : 1.0;
    if (!f.Continuous) {
      // The wedge uses the layer's average cohesion, the flow-around value
      // the cohesion at the depth.
      const double wedge = (3 * ca_ * b + gamma_ * b * f.X + 0.5 * ca_ * f.X) * slope_factor;
      pu_ = std::min(wedge, 9 * c_ * b);
      y50_ = 2.5 * eps50_ * b;
    } else {
      if (excavation) {
        pu_ = (gamma_ * f.SideDepth + 2 * c_) * b * slope_factor;
      } else {
        pu_ = (BackfillOverburdenAt(ctx, f.WallDepth) + 2 * c_) * b;
      }
      y50_ = 2.5 * eps50_ * f.ReferenceWidth;
    }
    cyclic_ = f.Cyclic;
    const double log_cycles = std::log10(d.Soil.NumCycles);
    ye_ = cyclic_ ? 1.25 * y50_ * (16 + kGridStretch * log_cycles) : 20 * y50_;
    stretch_ = 1 + kCurveStretch * log_cycles;
    e0_ = 0.5 * pu_ * std::pow(y50_ / kSmallDeflection, 0.75) / y50_;
  }

  double ActivePressure(const CurveFrame& f) const override {
    return ClayActivePressure(f.Pressure, c_, f.B);
  }

  double InitialModulus() const override { return e0_; }

  void Grid(SidePoints& y) const override {
    const double y16 = 16 * y50_;
    y[0] = 0;
    for (size_t i = 0; i < 14; ++i) y[i + 1] = y16 * static_cast<double>(kGrid[i]);
    y[15] = (y16 + ye_) / 2;
    y[16] = ye_;
  }

  double Resistance(double y) const override {
    if (cyclic_) return std::min(pu_, 0.5 * pu_ * std::pow(y / (stretch_ * y50_), 0.25));
    return y <= 16 * y50_ ? 0.5 * pu_ * std::pow(y / y50_, 0.25) : pu_;
  }

  double ResistanceRate() const override { return pu_; }

  CurveParameters Parameters() const override { return StiffClayParameters(c_, ca_, gamma_, eps50_); }

 private:
  double c_ = 0;
  double ca_ = 0;
  double gamma_ = 0;
  double eps50_ = 0;
  // Side.
  bool cyclic_ = false;
  double pu_ = 0;
  double y50_ = 0;
  double ye_ = 0;
  double stretch_ = 1;
  double e0_ = 0;
};

}  // namespace

void StiffClayAboveWaterLayer(LayerRun& run) {
  StiffClayAboveWater model;
  RunLayerCurves(run, model);
}

}  // namespace darnek::soil
