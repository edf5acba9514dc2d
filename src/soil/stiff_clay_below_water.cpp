// p-y curves for stiff clay below the water table (Reese, Cox and Koop
// 1975): a square-root curve that softens beyond A y50 and falls to a
// residual value (static), or a peaked curve with a residual branch
// (cyclic), both limited by the initial line of slope k x.
#include <algorithm>
#include <cmath>

#include "soil/py_models.h"
#include "soil/soil_profile.h"
#include "soil/stiff_clay.h"

namespace darnek::soil {

namespace {

// The published constants, in single precision.
constexpr double kWedgeFactor = Single(2.83f);
constexpr double kSoftening = Single(0.055f);
constexpr double kPeakLoss = Single(0.411f);
constexpr double kCyclicPeak = Single(4.1f);
constexpr double kCyclicCentre = Single(0.45f);
constexpr double kCyclicTop = Single(0.6f);
constexpr double kCyclicEnd = Single(1.8f);
constexpr double kCyclicResidual = Single(0.936f);
constexpr double kCyclicSlope = Single(0.085f);
constexpr double kCyclicFinalSlope = Single(0.102f);
// Residual fractions of pc: 0.5 sqrt(6 As) - 0.411 - 0.75 As (static) and
// 0.936 Ac - 0.102 x 4.1 As (cyclic), with 0.5 sqrt(6) and 0.102 x 4.1 as
// the published rounded 1.225 and 0.418.
constexpr double kResidualRoot = Single(1.225f);
constexpr double kCyclicResidualAs = Single(0.418f);

// The empirical coefficients by depth over width; beyond the last point the
// flat last segment keeps them constant.
constexpr float kStaticRatio[6] = {0.0f, 1.0f, 2.0f, 3.0f, 4.0f, 5.0f};
constexpr float kAs[6] = {0.223f, 0.46f, 0.55f, 0.59f, 0.60f, 0.60f};
constexpr float kCyclicRatio[4] = {0.0f, 1.0f, 2.0f, 3.0f};
constexpr float kAc[4] = {0.20f, 0.29f, 0.30f, 0.30f};

template <size_t N>
double Coefficient(const float (&ratios)[N], const float (&values)[N], double ratio) {
  size_t i = 0;
  while (i < N - 2 && ratio > static_cast<double>(ratios[i + 1])) ++i;
  const double x0 = ratios[i];
  const double x1 = ratios[i + 1];
  const double v0 = values[i];
  const double v1 = values[i + 1];
  return v0 + (v1 - v0) * (ratio - x0) / (x1 - x0);
}

const CurveLayout kLayout = [] {
  CurveLayout layout;
  // The formulas use the depth below each side's own surface in every layer.
  layout.EquivalentDepth = false;
  // ResistanceRate carries the whole trapezoid of pc, times the residual
  // fraction at the current curve.
  layout.Accumulation = Accumulation::Rectangle;
  layout.AccumulateToBottom = false;
  layout.PointHeads = "( / 19X 'Y' 19X 'P' / 18X A2 14X A6 )";
  layout.PointRow = "( 2F20.3 )";
  layout.ScratchRow = {1, 1, 1};  // I5 2(1X 1P E10.3)
  return layout;
}();

class StiffClayBelowWater final : public PyModel {
 public:
  const CurveLayout& Layout() const override { return kLayout; }

  void LookUp(RunContext& ctx, const CurveFrame& f) override {
    // The first layer averages its linear strength profile; a later layer,
    // whose top may lie at any depth, the strengths at its curves.
    if (f.Layer == 0) ca_ = LayerAverageStrength(ctx.Data, f, strength_curve_exceeded_);
    c_ = StrengthAt(ctx, f.Z);
    const double running = running_.Add(f, c_);
    if (f.Layer != 0) ca_ = running;
    gamma_ = AverageUnitWeightAt(ctx, f.Z);
    eps50_ = E50At(ctx, f.Z);
    k_ = f.SoilModulus;
    previous_pc_ = f.FirstInLayer ? 0.0 : excavation_pc_;
  }

  void Prepare(RunContext& ctx, const CurveFrame& f) override {
    const double b = f.B;
    const double x = f.X;
    const bool excavation = f.Side == Side::Excavation;
    const double slope = std::fabs(f.Slope);
    const double slope_factor = excavation && slope > 1e-20 ? 1 / (1 + std::tan(slope)) : 1.0;
    cyclic_ = f.Cyclic;
    as_ = Coefficient(kStaticRatio, kAs, x / b);
    ac_ = Coefficient(kCyclicRatio, kAc, x / b);
    if (!f.Continuous) {
      const double wedge = (2 * ca_ * b + gamma_ * b * x + kWedgeFactor * ca_ * x) * slope_factor;
      pc_ = std::min(wedge, 11 * c_ * b);
      y50_ = eps50_ * b;
    } else {
      if (excavation) {
        pc_ = (2 * c_ + gamma_ * f.SideDepth) * b * slope_factor;
      } else {
        pc_ = (2 * c_ + BackfillOverburdenAt(ctx, f.WallDepth)) * b;
      }
      y50_ = eps50_ * f.ReferenceWidth;
    }
    es_ = k_ * x;
    yp_ = kCyclicPeak * as_ * y50_;
    if (excavation) excavation_pc_ = pc_;
  }

  double ActivePressure(const CurveFrame& f) const override {
    return ClayActivePressure(f.Pressure, c_, f.B);
  }

  double InitialModulus() const override { return es_; }

  void Grid(SidePoints& y) const override {
    y[0] = 0;
    if (!cyclic_) {
      const double a = as_ * y50_;
      for (size_t i = 1; i <= 12; ++i) y[i] = 0.5 * static_cast<double>(i) * a;
      y[13] = 10 * a;
      y[14] = 14 * a;
      y[15] = 18 * a;
      y[16] = 200 * a;
    } else {
      for (size_t i = 1; i <= 12; ++i) y[i] = 0.05 * static_cast<double>(i) * yp_;
      y[13] = 1.0 * yp_;
      y[14] = 1.4 * yp_;
      y[15] = 1.8 * yp_;
      y[16] = 20 * yp_;
    }
  }

  double Resistance(double y) const override {
    double p;
    if (!cyclic_) {
      const double a = as_ * y50_;
      const double peak = 0.5 * pc_ * std::sqrt(6 * as_) - kPeakLoss * pc_;
      if (y <= a) {
        p = 0.5 * pc_ * std::pow(y / y50_, 0.5);
      } else if (y <= 6 * a) {
        p = 0.5 * pc_ * std::pow(y / y50_, 0.5) - kSoftening * pc_ * std::pow((y - a) / a, 1.25);
      } else if (y <= 18 * a) {
        p = peak - (0.0625 / y50_) * pc_ * (y - 6 * a);
      } else {
        p = peak - 0.75 * pc_ * as_;
      }
    } else {
      const double top = kCyclicTop * yp_;
      const double centre = kCyclicCentre * yp_;
      if (y <= top) {
        p = ac_ * pc_ * (1 - std::pow(std::fabs((y - centre) / centre), 2.5));
      } else if (y <= kCyclicEnd * yp_) {
        p = kCyclicResidual * ac_ * pc_ - (kCyclicSlope / y50_) * pc_ * (y - top);
      } else {
        p = kCyclicResidual * ac_ * pc_ - (kCyclicFinalSlope / y50_) * pc_ * yp_;
      }
    }
    return std::min(p, es_ * y);
  }

  // The residual resistance the layer keeps: the trapezoid of pc from the
  // previous curve, times the residual fraction at this one.
  double ResistanceRate() const override {
    const double fraction = cyclic_ ? kCyclicResidual * ac_ - kCyclicResidualAs * as_
                                    : kResidualRoot * std::sqrt(as_) - kPeakLoss - 0.75 * as_;
    return 0.5 * (previous_pc_ + excavation_pc_) * fraction;
  }

  CurveParameters Parameters() const override { return StiffClayParameters(c_, ca_, gamma_, eps50_); }

 private:
  RunningStrengthAverage running_;
  double c_ = 0;
  double ca_ = 0;
  double gamma_ = 0;
  double eps50_ = 0;
  double k_ = 0;
  // pc of the excavation side at the previous and the current curve.
  double previous_pc_ = 0;
  double excavation_pc_ = 0;
  // Side.
  bool cyclic_ = false;
  double as_ = 0, ac_ = 0;
  double pc_ = 0;
  double y50_ = 0;
  double yp_ = 0;
  double es_ = 0;
};

}  // namespace

void StiffClayBelowWaterLayer(LayerRun& run) {
  StiffClayBelowWater model;
  RunLayerCurves(run, model);
}

}  // namespace darnek::soil
