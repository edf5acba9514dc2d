// p-y curves for rock (Reese 1997, vuggy limestone): a stiff initial line of
// modulus 2000 su to y1 = 0.0004 b, a second line of slope 100 su up to the
// ultimate resistance b su at y2, then only a small residual resistance.
#include "soil/py_models.h"
#include "soil/rock_common.h"
#include "soil/soil_profile.h"

namespace darnek::soil {

namespace {

constexpr double kInitialStrain = Single(0.0004f);  // y1 / b

const CurveLayout kLayout = [] {
  CurveLayout layout;
  layout.EquivalentDepth = false;
  layout.Accumulation = Accumulation::Trapezoid;
  layout.AccumulateToBottom = false;
  // The residual branch carries no multiplier.
  layout.ApplyPMultiplier = false;
  layout.PointHeads = "( / 19X 'Y' 19X 'P' / 18X A2 14X A6 )";
  // Exponent form: y1 is a few ten-thousandths of the width.
  layout.PointRow = "( 1P 2E20.3 )";
  layout.ScratchRow = {1, 0, 1};  // I5 1X 1P 2E10.3: adjacent fields
  return layout;
}();

class Rock final : public PyModel {
 public:
  const CurveLayout& Layout() const override { return kLayout; }

  void LookUp(RunContext& ctx, const CurveFrame& f) override {
    const double qu = StrengthAt(ctx, f.Z);
    // Without strength the second line would be 0 / 0: stop as weak rock does.
    if (qu < kZeroRockStrength) StopOnZeroRockStrength();
    su_ = qu / 2;
    gamma_ = AverageUnitWeightAt(ctx, f.Z);
  }

  // The multipliers are taken at z + FreeHeight in front of the wall and at
  // z behind it.
  double MultiplierDepth(const CurveFrame& f) const override {
    return f.Side == Side::Excavation ? f.WallDepth : f.Z;
  }

  void Prepare(RunContext& /*ctx*/, const CurveFrame& f) override {
    const double b = f.B;
    pm_ = f.Pm;
    es_ = 2000 * su_;
    y1_ = kInitialStrain * b;
    p1_ = es_ * y1_;
    y2_ = y1_ + (b * su_ - p1_) / (100 * su_);
    residual_ = 0.5 * gamma_ * b * f.SideDepth;
    ultimate_ = b * su_;
  }

  // Rock takes no share of the earth pressure.
  double ActivePressure(const CurveFrame& /*f*/) const override { return 0; }

  double InitialModulus() const override { return pm_ * es_; }

  void Grid(SidePoints& y) const override {
    for (size_t i = 0; i < kSidePoints; ++i) y[i] = static_cast<double>(i) * y2_ / 15;
  }

  double Resistance(double y) const override {
    if (y < y1_) return pm_ * es_ * y;
    if (y < y2_) return pm_ * (p1_ + 100 * su_ * (y - y1_));
    return residual_;
  }

  double ResistanceRate() const override { return ultimate_; }

  CurveParameters Parameters() const override {
    CurveParameters p;
    p.Set = CurveParameterSet::Rock;
    p.RockStrength = su_;
    return p;
  }

 private:
  double su_ = 0;
  double gamma_ = 0;
  // Side.
  double pm_ = 1;
  double es_ = 0;
  double y1_ = 0, p1_ = 0, y2_ = 0;
  double residual_ = 0;
  double ultimate_ = 0;
};

}  // namespace

void RockLayer(LayerRun& run) {
  Rock model;
  RunLayerCurves(run, model);
}

}  // namespace darnek::soil
