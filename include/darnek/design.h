/* darnek: the design checks of a wall, run after the analysis of each stage
 * when RunOptions::Design holds design data (docs/design-checks.md): section
 * bending and shear, embedment by limit equilibrium, a factor of safety by
 * strength reduction on the spring model, tie-backs against their capacity
 * and the largest deflection against a limit. They read the results and the
 * soil and never change the report, plot data, run log or scratch files.
 *
 * Design values are in the units of the input they go with: section lengths,
 * areas and moduli in in, in2, in3 or mm, mm2, mm3; stresses in lb/in2 or
 * kN/m2; moments in lb-in or kN-m; forces in lb or kN; the deflection limit in
 * the analysis length unit (in, m). A value that is not given is NaN. */
/* darnek.h includes this file where RunOptions needs it, after its macros. */
#include "darnek/darnek.h"

#ifndef DARNEK_DESIGN_H
#define DARNEK_DESIGN_H

#include <limits>
#include <string>
#include <vector>

namespace darnek {

inline constexpr double kNotGiven = std::numeric_limits<double>::quiet_NaN();

/* One cross section's strength. For a continuous wall the values are for
 * ResultWidth of wall, as the section's I is; for soldier piles and shafts
 * (WA/WP of 1.1 or more) they are for one pile, and the results are turned
 * into forces per pile with the spacing WA. */
struct SectionDesign {
  int CrossSection = 0; /* 1, 2, ... as the stage's cross sections are counted */
  double YieldStrength = kNotGiven;
  double SectionModulus = kNotGiven; /* elastic; when not given, I over half the section's depth */
  double PlasticModulus = kNotGiven;
  double ShearArea = kNotGiven; /* when not given, from the shape where it has one */
  double Area = kNotGiven;      /* for axial load; the cross section's area when not given */
  /* Nominal resistances given instead of yield strength times modulus or
   * shear area (a concrete shaft, a section whose capacity is known). */
  double MomentResistance = kNotGiven;
  double ShearResistance = kNotGiven;
  /* Eurocode 7 (EN 1993-5): the section class, 1 or 2 for the plastic
   * modulus, 3 for the elastic one (0: as `ModulusBasis`); and the factor
   * beta_B on the bending resistance of U-piles whose interlocks may not
   * transmit shear (1 when not given). */
  int SectionClass = 0;
  double BetaB = kNotGiven;
};

/* One tie-back's strength, the same in every stage that has it. */
struct TieBackDesign {
  int Number = 0;                    /* 1, 2, ... in the order of the stage's tie-backs */
  double Capacity = kNotGiven;       /* the resistance of one anchor (pull-out of its bond) */
  double TendonArea = kNotGiven;     /* the tie-back's own area when not given */
  double TendonStrength = kNotGiven; /* ultimate tensile strength of the tendon */
};

/* The factors of the method; a factor not given takes the method's value
 * (src/core/design_methods.cpp holds the table). Fractions multiply a
 * resistance, safety factors divide it. */
struct DesignFactors {
  double Effects = kNotGiven;         /* multiplies moments, shears, axial and tie-back forces */
  double BendingFraction = kNotGiven; /* of the bending resistance fy W */
  double ShearFraction = kNotGiven;   /* of the shear resistance fy Av */
  double AxialFraction = kNotGiven;   /* of the axial resistance fy A */
  double EmbedmentSafety = kNotGiven; /* needed by limit equilibrium, with its definition */
  double ToeAllowance = kNotGiven;    /* fixed earth support: embedment over d0 */
  double PassiveWidth = kNotGiven;    /* soldier piles: passive width over pile width */
  double AnchorSafety = kNotGiven;    /* on the capacity of one anchor */
  double TendonFraction = kNotGiven;  /* of the tendon's ultimate strength */
  double StrengthSafety = kNotGiven;  /* needed by strength reduction */
};

/* Eurocode 7's partial factors (EN 1997-1 Annex A, with EN 1993-5's and EN
 * 1992-1-1's factors on steel); a value not given takes the recommended one
 * (src/core/design_methods.cpp holds the table). Actions multiply, the
 * others divide. */
struct PartialFactors {
  double A1Permanent = kNotGiven; /* unfavourable permanent action, set A1 */
  double A2Permanent = kNotGiven;
  double A1Variable = kNotGiven; /* unfavourable variable action */
  double A2Variable = kNotGiven;
  double M1TanPhi = kNotGiven; /* on tan(phi') */
  double M2TanPhi = kNotGiven;
  double M1Cohesion = kNotGiven; /* on c' */
  double M2Cohesion = kNotGiven;
  double M1Undrained = kNotGiven; /* on cu (and on the strength of rock) */
  double M2Undrained = kNotGiven;
  double M1UnitWeight = kNotGiven; /* on the unit weight */
  double M2UnitWeight = kNotGiven;
  double R1Earth = kNotGiven; /* on the earth resistance in front of the wall */
  double R2Earth = kNotGiven;
  double R3Earth = kNotGiven;
  double R1Anchor = kNotGiven; /* on the pull-out resistance of an anchor */
  double R2Anchor = kNotGiven;
  double R3Anchor = kNotGiven;
  double SteelSection = kNotGiven; /* gamma_M0 of the wall's steel */
  double Tendon = kNotGiven;       /* gamma_s on the tendon's strength */
};

struct DesignData {
  std::string Method = "allowable"; /* "allowable", "factors" or "eurocode7" */
  /* Eurocode 7: "DA1", "DA2", "DA2*" or "DA3"; empty: DA1. */
  std::string Approach;
  PartialFactors Partial;
  /* Eurocode 7: the unplanned excavation below the excavation level at the
   * ultimate limit state, in the analysis length unit; NaN: the rule of EN
   * 1997-1 9.3.2.2. Zero when the excavation level is controlled. */
  double ExcavationAllowance = kNotGiven;
  bool ExcavationControlled = false;
  /* The unit system the values are in ("english", "si"); empty: as each stage's. */
  std::string Units;
  DesignFactors Factors;
  std::string EmbedmentDefinition;         /* "passive", "net_pressure", "strength"; empty: the method's */
  std::string ModulusBasis;                /* "elastic" or "plastic"; empty: the method's */
  double DeflectionLimit = kNotGiven;      /* analysis length unit */
  double DeflectionLimitRatio = kNotGiven; /* of the retained height */
  bool StrengthReduction = true;
  std::vector<SectionDesign> Sections;
  std::vector<TieBackDesign> TieBacks;
};

/* A design problem: the key it is about ("design, factors, bending_fraction")
 * and what is wrong; both empty when there is none. */
struct DesignProblem {
  std::string Key;
  std::string Message;
  explicit operator bool() const { return !Message.empty(); }
};

/* The first thing wrong with design data: a method or choice that does not
 * exist, a factor the method needs and the data do not give, a value that is
 * not a number above 0, a cross section or tie-back given twice. Run refuses
 * such data as an input error (status 3) before the first stage. */
DARNEK_API DesignProblem CheckDesignData(const DesignData& data);

/* ---------------------------------------------------------------- results */

/* One check: demand against resistance. Not checked when the stage has
 * nothing to check or the data do not allow it; `Note` says why, or what the
 * numbers leave out. */
struct Check {
  bool Checked = false;
  /* Eurocode 7: the combination the check comes from ("DA1-2", "SLS"). */
  std::string Combination;
  std::string Note;
  double Demand = kNotGiven;
  double Resistance = kNotGiven;
  double Utilisation = kNotGiven; /* demand / resistance */
  std::string Unit;               /* of demand and resistance */
  double Depth = kNotGiven;       /* where it governs, in the depth unit */
};

/* Bending (with axial load where given) or shear of the wall section. */
struct SectionCheck : Check {
  int CrossSection = 0;          /* at the governing station */
  double AxialForce = kNotGiven; /* bending: at the governing station, compression positive */
  bool PerPile = false;          /* demand and resistance per pile, else per ResultWidth */
};

/* A factor of safety: the one the wall gives, the one required, and what
 * it is a factor on. Demand and resistance are the factor required and the
 * factor found. Embedment also gives the embedment below the excavation
 * level that the wall has and the shortest one that reaches the factor
 * required. */
struct SafetyCheck : Check {
  double FactorOfSafety = kNotGiven;
  double RequiredFactor = kNotGiven;
  std::string Definition;       /* "on passive", "on net pressure", "on strength" */
  std::string Method;           /* "fixed earth support", "free earth support", "strength reduction" */
  double Embedment = kNotGiven; /* depth unit */
  double RequiredEmbedment = kNotGiven; /* depth unit; a lower bound when not found */
  bool RequiredFound = false;           /* false: more than RequiredEmbedment */
  double PivotDepth = kNotGiven;        /* fixed earth support: the point of rotation, depth unit */
  double SupportForce =
      kNotGiven;             /* free earth support: the tie-back force of equilibrium, per ResultWidth */
  bool BeyondSearch = false; /* the factor is at least FactorOfSafety, the largest tried */
  int Analyses = 0;          /* strength reduction: analyses made */
};

struct TieBackCheck : Check {
  int Number = 0;
  double Angle = 0; /* degrees below the horizontal */
  /* The vertical component of the force along the tie-back: per tie-back,
   * and on the wall per ResultWidth. The analysis does not apply it. */
  double VerticalForce = kNotGiven;
  double VerticalForcePerWidth = kNotGiven;
  std::string Governs; /* "capacity" or "tendon" */
};

/* A resistance drawn beside the moment or shear diagram: over a stretch of
 * wall, the value of the diagram (per ResultWidth, unfactored) that uses
 * the section fully. */
struct ResistanceLine {
  double Top = 0, Bottom = 0; /* depth unit */
  double Value = 0;
};

struct StageChecks {
  int Stage = 0;
  /* False when the stage was not solved; `Note` says so, and the verdict is
   * "fails" when neither the iteration nor load stepping closed it. */
  bool Checked = false;
  std::string Note;
  std::string DepthUnit;
  SectionCheck Bending;
  SectionCheck Shear;
  SafetyCheck Embedment;
  SafetyCheck Strength;
  std::vector<TieBackCheck> TieBacks;
  Check Deflection;
  std::vector<ResistanceLine> MomentResistance;
  std::vector<ResistanceLine> ShearResistance;
  double Utilisation = kNotGiven; /* the largest of the checks made */
  std::string Governing; /* "bending", "shear", "embedment", "strength", "tie-back 2", "deflection" */
  std::string Verdict;   /* "passes", "fails" or "not checked" */
  /* Eurocode 7: each check above is the worst over the combinations, and
   * these are the combinations' own, each with its name (`Combination`) and
   * the analysis it ran on (`Analysis`). */
  std::string Combination;
  std::string Analysis;
  std::vector<StageChecks> Combinations;
};

/* One kind of check over all stages: where its largest utilisation is. */
struct GoverningCheck {
  std::string Check; /* as StageChecks::Governing */
  std::string Combination;
  int Stage = 0;
  double Utilisation = kNotGiven;
  double Depth = kNotGiven;
  std::string DepthUnit;
};

/* The method as applied: every factor with its value and whether the data
 * gave it, and the largest utilisation of each check over the stages. */
struct DesignFactorValue {
  std::string Key;
  double Value = kNotGiven;
  bool Given = false;
};

struct DesignSummary {
  std::string Method;
  std::string Approach;                          /* Eurocode 7 */
  std::vector<DesignFactorValue> PartialFactors; /* Eurocode 7: the table as applied */
  std::string EmbedmentDefinition;
  std::string ModulusBasis;
  std::vector<DesignFactorValue> Factors;
  std::vector<GoverningCheck> Governing;
  std::string Verdict; /* "passes", "fails" or "not checked" */
  /* Design entries that matched nothing in any stage. */
  std::vector<std::string> Unused;
};

/* "stage 2: section 0.72 at 5.75 m, embedment FS 1.62 on passive (1.50
 * needed), strength F 1.41 (1.30 needed), tie-backs 0.81, deflection 0.55:
 * passes". */
DARNEK_API std::string VerdictLine(const StageChecks& checks);

}  // namespace darnek

#endif /* DARNEK_DESIGN_H */
