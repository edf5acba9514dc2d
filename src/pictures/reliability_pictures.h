// The pictures of a reliability study (docs/reliability.md): per stage, the
// distribution of each check's utilisation with its limit, and the α of each
// variable as bars; and a page that shows them with the figures.
#pragma once

#include <string>
#include <vector>

#include "reliability/estimate.h"

namespace darnek::pictures {

std::string UtilisationSvg(const reliability::Estimate& e, const reliability::StageEstimate& stage);
std::string AlphaSvg(const reliability::Estimate& e, const reliability::StageEstimate& stage);

// Writes stage-N-utilisation.svg, stage-N-alpha.svg and report.html into
// `dir` (created when missing): `model_page`, the report.html of the model as
// given, with a section "Reliability" that shows the figures and the
// pictures; returns the files written, report.html last. Throws
// std::runtime_error naming a file that cannot be written.
std::vector<std::string> WriteReliabilityPictures(const reliability::Estimate& e, const std::string& dir,
                                                  const std::string& summary_text,
                                                  const std::string& model_page);

}  // namespace darnek::pictures
