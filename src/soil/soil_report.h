// The soil subsystem's writer, its only file that writes: compound unit
// labels, the depth unit of the p-y tables, the profile's echo, and the
// generated curves as the report and the p-y scratch file show them (the
// models only compute them).
#pragma once

#include <optional>
#include <span>
#include <string>
#include <vector>

#include "core/errors.h"
#include "core/fortran_format.h"
#include "core/run_context.h"
#include "soil/py_frame.h"

namespace darnek::soil {

// Depth printed in the p-y report: feet for English problems, metres for SI.
double ReportDepth(const ProblemData& d, double x);
// Its two-character label ("FT" or " M").
std::string DepthLabel(const ProblemData& d);
// LBS/IN**2, LBS/IN**3, LBS/IN (and the SI forms), from the label block.
std::string StressLabel(const UnitLabels& labels);
std::string UnitWeightLabel(const UnitLabels& labels);
std::string ForcePerLengthLabel(const UnitLabels& labels);

// "SOIL LAYERS AND STRENGTH DATA".
void WriteSoilProfile(RunContext& ctx);
// "REDUCTION FACTORS FOR CLOSELY-SPACED WALL ELEMENTS" (when a table is
// given) and the heading "P-Y CURVES DATA".
void WritePyCurvesHeading(RunContext& ctx);

// The writer of a run's p-y curves: the user's curves and each generated side
// to the p-y scratch file, each side to the report. It keeps every curve as
// the file holds it, read from the fields it has just written: the solver
// works at the file's precision without reading the file back.
class ReportScratchOutput : public CurveOutput {
 public:
  ReportScratchOutput(RunContext& ctx, OutputUnit& scratch, std::vector<WrittenPyCurve>& curves);
  // The head of the file: the number of curves (`generated` and the
  // user's) and the user's curves with their multipliers applied.
  void WriteHead(int generated, std::span<const UserPyCurve> user);
  void BeginCurve(const CurveFrame& f) override;
  void StrengthCurveExceeded(double z) override;
  void WriteSide(const CurveLayout& layout, const CurveFrame& f, const SideResult& result) override;
  // The first field that does not read back as a number the solver can
  // take, found while the file went on being written.
  const std::optional<InputError>& Unreadable() const { return unreadable_; }

 private:
  double ReadBack(std::string_view field, const char* record, int item, const char* name);
  void WriteScratchPoint(const ScratchRowForm& form, Side side, size_t i, double p, double y);
  void EndLine();

  RunContext& ctx_;
  OutputUnit& scratch_;
  std::vector<WrittenPyCurve>& curves_;
  std::string record_;
  fortran::FieldRecord row_;  // a point of a generated curve
  int line_ = 0;              // of the scratch file, the record being written
  std::optional<InputError> unreadable_;
  // The sides of the generated curve being written, as read back.
  SidePoints excavation_p_{};
  SidePoints excavation_y_{};
  SidePoints backfill_p_{};
  SidePoints backfill_y_{};
};

}  // namespace darnek::soil
