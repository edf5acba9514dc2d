// p-y curves for weak rock (Reese 1997): an initial line of the rock mass
// modulus Kir, then the quarter-power curve 0.5 pur (y / yrm)^0.25 up to the
// ultimate resistance pur, reduced for the rock quality by alpha_r.
#include <algorithm>
#include <cmath>

#include "soil/py_models.h"
#include "soil/rock_common.h"
#include "soil/soil_profile.h"

namespace darnek::soil {

namespace {

// The published constants, in single precision.
constexpr double kPerRqd = Single(1.0f / 150.0f);  // alpha_r = 1 - RQD / 150
constexpr double kShallowGrowth = Single(1.4f);    // pur grows by 1.4 xr / b ...
constexpr double kDeepFactor = Single(5.2f);       // ... to 5.2 at xr = 3 b
// The depth below the layer top and the top strength are taken this far
// inside the layer.
constexpr double kInside = 1e-8;

// Deflections of the 17 points as multiples of yrm (single precision).
constexpr float kGrid[kSidePoints] = {0.0005f, 0.001f, 0.003f, 0.006f, 0.009f, 0.02f, 0.04f, 0.06f, 0.08f,
                                      0.10f,   0.25f,  0.5f,   0.75f,  1.0f,   4.0f,  8.0f,  12.0f};

const CurveLayout kLayout = [] {
  CurveLayout layout;
  layout.EquivalentDepth = false;
  layout.Accumulation = Accumulation::Trapezoid;
  layout.AccumulateToBottom = false;
  layout.PointHeads = "( / 19X 'Y' 19X 'P' / 18X A2 14X A6 )";
  layout.PointRow = "( 2E20.3 )";
  layout.ScratchRow = {2, 2, 0};  // I5 2(2X E10.3)
  return layout;
}();

class WeakRock final : public PyModel {
 public:
  const CurveLayout& Layout() const override { return kLayout; }

  void BeginLayer(RunContext& ctx, const CurveFrame& /*f*/) override {
    if (ctx.Data.Soil.NumCycles == 0) ctx.Data.Soil.NumCycles = 1;
  }

  void LookUp(RunContext& ctx, const CurveFrame& f) override {
    qur_ = StrengthAt(ctx, f.Z);
    if (!f.FirstInLayer && qur_ < kZeroRockStrength) StopOnZeroRockStrength();
    krm_ = E50At(ctx, f.Z);
    rqd_ = RQDAt(ctx, f.Z);
    gamma_ = AverageUnitWeightAt(ctx, f.Z);
    eir_ = f.SoilModulus;
    // The top strength is the layer's own even for a layer thinner than the
    // small offset.
    const double top_inside = std::min(f.LayerTop + kInside, 0.5 * (f.LayerTop + f.LayerBottom));
    qa_ = 0.5 * (StrengthAt(ctx, top_inside) + qur_);
  }

  // The multipliers are taken at z in front of the wall and at
  // z + FreeHeight behind it.
  double MultiplierDepth(const CurveFrame& f) const override {
    return f.Side == Side::Excavation ? f.Z : f.WallDepth;
  }

  void Prepare(RunContext& ctx, const CurveFrame& f) override {
    const double b = f.B;
    // The backfill side of a continuous wall asks for its overburden, which
    // stops the run below the soil table; the resistance does not use it.
    if (f.Continuous && f.Side == Side::Backfill) BackfillOverburdenAt(ctx, f.WallDepth);
    const double xr = f.SideDepth + kInside - f.LayerTop;
    const double alpha = 1 - rqd_ * kPerRqd;
    if (xr <= 3 * b) {
      pur_ = alpha * qa_ * b * (1 + kShallowGrowth * xr / b);
      kir_ = (100 + 400 * xr / (3 * b)) * eir_;
    } else {
      pur_ = kDeepFactor * alpha * qa_ * b;
      kir_ = 500 * eir_;
    }
    yrm_ = krm_ * b;
    ya_ = std::pow(0.5 * pur_ / std::pow(yrm_, 0.25) / kir_, 4.0 / 3.0);
  }

  // Rock takes no share of the earth pressure.
  double ActivePressure(const CurveFrame& /*f*/) const override { return 0; }

  double InitialModulus() const override { return kir_; }

  void Grid(SidePoints& y) const override {
    for (size_t i = 0; i < kSidePoints; ++i) y[i] = yrm_ * static_cast<double>(kGrid[i]);
  }

  double Resistance(double y) const override {
    if (y < ya_) return kir_ * y;
    return std::min(pur_, 0.5 * pur_ * std::pow(y / yrm_, 0.25));
  }

  double ResistanceRate() const override { return pur_; }

  CurveParameters Parameters() const override {
    CurveParameters p;
    p.Set = CurveParameterSet::WeakRock;
    p.RockStrength = qur_;
    p.RockModulus = eir_;
    p.UnitWeight = gamma_;
    p.StrainAtHalfStrength = krm_;
    return p;
  }

 private:
  double qur_ = 0;
  double qa_ = 0;
  double krm_ = 0;
  double rqd_ = 0;
  double gamma_ = 0;
  double eir_ = 0;
  // Side.
  double pur_ = 0;
  double kir_ = 0;
  double yrm_ = 0;
  double ya_ = 0;
};

}  // namespace

void WeakRockLayer(LayerRun& run) {
  WeakRock model;
  RunLayerCurves(run, model);
}

}  // namespace darnek::soil
