// Reading the plot-data file back. Blocks are told apart by their first
// record, all integers: one starts an earth-pressure block, two a soil-curve
// block, three a results block. Inside a block the counts say how many
// records follow. Every record is one line; fixed-format fields always have a
// blank before them, so a line splits into its values at the blanks.
#include "pictures/plot_reader.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <limits>
#include <sstream>
#include <string_view>

#include "core/errors.h"
#include "core/input_file.h"
#include "core/list_reader.h"
#include "core/run_file.h"

namespace darnek::pictures {
namespace {

// The engine's exponent fields hold two digits: no value it writes reaches this.
constexpr double kLargestValue = 1e100;

struct Token {
  std::string Text;
  bool Integer = false;
};

class Lines {
 public:
  Lines(std::istream& in, const std::string& name, PlotFile& file) : in_(in), name_(name), file_(file) {}

  // The next line split into tokens; false at the end of the file.
  bool Next(std::vector<Token>& tokens) {
    if (has_peeked_) {
      has_peeked_ = false;
      tokens = peeked_;
      return true;
    }
    std::string line;
    const LineRead read = ReadBoundedLine(in_, line);
    if (read == LineRead::End) return false;
    ++line_;
    if (read == LineRead::TooLong)
      Fail("the line is longer than " + std::to_string(kMaxLineLength) + " characters", line_);
    Split(line, tokens);
    return true;
  }

  // The tokens of the next line without consuming it; null at the end.
  const std::vector<Token>* Peek() {
    if (!has_peeked_) {
      std::vector<Token> tokens;
      if (!Next(tokens)) return nullptr;
      peeked_ = std::move(tokens);
      has_peeked_ = true;
    }
    return &peeked_;
  }

  // Line number of the last line consumed (the peeked one counts as read
  // until consumed: the reported number is the one of the record in hand).
  int line() const { return has_peeked_ ? line_ - 1 : line_; }

  [[noreturn]] void Fail(const std::string& what, int line) const {
    throw PlotFileError(name_ + ", line " + std::to_string(line) + ": " + what, line);
  }

  [[noreturn]] void Fail(const std::string& what) const { Fail(what, line()); }

  // A record of exactly the expected kinds: 'i' integer, 'r' real.
  std::vector<double> Record(std::string_view kinds, const std::string& record) {
    std::vector<Token> tokens;
    if (!Next(tokens)) Fail("the file ends where " + record + " was expected", line_ + 1);
    if (tokens.size() != kinds.size()) {
      Fail(record + " should have " + std::to_string(kinds.size()) + " values, found " +
           std::to_string(tokens.size()) + Near(tokens));
    }
    std::vector<double> values(kinds.size());
    for (size_t i = 0; i < kinds.size(); ++i) {
      const Token& t = tokens[i];
      if (kinds[i] == 'i') {
        int v = 0;
        if (!ParseFortranInteger(t.Text, v))
          Fail(record + ": value " + std::to_string(i + 1) + " should be an integer, found " +
               Quoted(t.Text));
        values[i] = v;
      } else {
        values[i] = Real(t.Text, record, i);
      }
    }
    return values;
  }

  // One real value of a record already read.
  double Value(const std::string& text, const std::string& record) { return Real(text, record, 5); }

 private:
  static void Split(const std::string& line, std::vector<Token>& tokens) {
    tokens.clear();
    size_t i = 0;
    while (i < line.size()) {
      while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
      if (i >= line.size()) break;
      const size_t start = i;
      while (i < line.size() && line[i] != ' ' && line[i] != '\t') ++i;
      Token t;
      t.Text = line.substr(start, i - start);
      int ignored = 0;
      t.Integer = ParseFortranInteger(t.Text, ignored);
      tokens.push_back(std::move(t));
    }
  }

  static std::string Near(const std::vector<Token>& tokens) {
    if (tokens.empty()) return " (an empty line)";
    std::string text = tokens[0].Text;
    for (size_t i = 1; i < tokens.size() && i < 4; ++i) text += " " + tokens[i].Text;
    return " near " + Quoted(text + (tokens.size() > 4 ? " ..." : ""));
  }

  double Real(const std::string& text, const std::string& record, size_t index) {
    double v = 0;
    if (ParseFortranReal(text, v)) {
      // The engine writes neither, and no picture can place them.
      if (!(std::fabs(v) < kLargestValue))
        Fail(record + ": value " + std::to_string(index + 1) + " is " +
             (std::isfinite(v) ? "1E+100 or more in magnitude, more than the engine writes, found "
                               : "not a finite number, found ") +
             Quoted(text));
      return v;
    }
    // A value too wide for its field is written as asterisks; the rest of
    // the file is still good, so the value is kept as unknown.
    if (text.find_first_not_of('*') == std::string::npos) {
      file_.Notes.push_back(name_ + ", line " + std::to_string(line()) + ": " + record + ", value " +
                            std::to_string(index + 1) + " did not fit its field and is not drawn");
      return std::numeric_limits<double>::quiet_NaN();
    }
    Fail(record + ": value " + std::to_string(index + 1) + " should be a number, found " + Quoted(text));
  }

  std::istream& in_;
  const std::string& name_;
  PlotFile& file_;
  int line_ = 0;
  bool has_peeked_ = false;
  std::vector<Token> peeked_;
};

// " STAGE MEMORY ON; UNLOAD FACTOR  5.000E-01": a run with stage memory.
bool IsStageMemoryLine(const std::vector<Token>& tokens) {
  static constexpr const char* kWords[] = {"STAGE", "MEMORY", "ON;", "UNLOAD", "FACTOR"};
  if (tokens.size() != std::size(kWords) + 1) return false;
  for (size_t i = 0; i < std::size(kWords); ++i)
    if (tokens[i].Text != kWords[i]) return false;
  return true;
}

bool AllIntegers(const std::vector<Token>& tokens) {
  if (tokens.empty()) return false;
  for (const Token& t : tokens)
    if (!t.Integer) return false;
  return true;
}

// Room made ahead for a table; a damaged count must not claim memory before
// its records prove it.
size_t Room(int count) { return static_cast<size_t>(std::min(count, 4096)); }

int Count(double value, Lines& lines, const std::string& what) {
  // Far beyond any table of the engine; a larger count is a damaged file.
  constexpr double kLargestCount = 10'000'000;
  if (value < 0 || value > kLargestCount)
    lines.Fail(what + " " + std::to_string(static_cast<long long>(value)) + " is not a count");
  return static_cast<int>(value);
}

PlotEarthPressure ReadEarthPressure(Lines& lines, int option) {
  PlotEarthPressure block;
  block.Option = option;
  // The row count is the next record when the stage wrote the diagram; a
  // stage may stop after the option record.
  const std::vector<Token>* next = lines.Peek();
  if (next == nullptr || next->size() != 1 || !(*next)[0].Integer) return block;
  block.HasRowCount = true;
  const int rows =
      Count(lines.Record("i", "the earth-pressure row count")[0], lines, "earth-pressure row count");
  block.Rows.reserve(Room(rows));
  for (int i = 0; i < rows; ++i) {
    const std::vector<double> v = lines.Record("rrrrrrrr", "earth-pressure row " + std::to_string(i + 1));
    block.Rows.push_back({v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7]});
  }
  return block;
}

PlotSoilCurves ReadSoilCurves(Lines& lines, int unit_code, int count) {
  PlotSoilCurves block;
  block.UnitSystemCode = unit_code;
  for (int c = 0; c < count; ++c) {
    const std::string name = "soil curve " + std::to_string(c + 1);
    const std::vector<Token>* head = lines.Peek();
    if (head == nullptr)
      lines.Fail("the file ends where the header of " + name + " was expected", lines.line() + 1);
    PlotSoilCurve curve;
    int points = 0;
    // A user curve is headed by its station (an integer), a generated one
    // by its depth (a real).
    if (!head->empty() && (*head)[0].Integer) {
      const std::vector<double> v = lines.Record("ii", "the header of " + name + " (station, points)");
      curve.Station = static_cast<int>(v[0]);
      points = Count(v[1], lines, "point count");
    } else {
      const std::vector<double> v = lines.Record("ri", "the header of " + name + " (depth, points)");
      curve.Generated = true;
      curve.Depth = v[0];
      points = Count(v[1], lines, "point count");
    }
    curve.Points.reserve(Room(points));
    for (int p = 0; p < points; ++p) {
      const std::vector<double> v = lines.Record("rr", name + ", point " + std::to_string(p + 1) + " (y, p)");
      curve.Points.push_back({v[0], v[1]});
    }
    block.Curves.push_back(std::move(curve));
  }
  return block;
}

bool IsStationRow(const std::vector<Token>* tokens) {
  if (tokens == nullptr || tokens->size() != 7) return false;
  for (const Token& t : *tokens)
    if (t.Integer) return false;
  return true;
}

PlotResults ReadResults(Lines& lines, int code, int rows, int unit_flag) {
  PlotResults block;
  block.StageCode = code;
  block.RowCount = rows;
  block.UnitFlag = unit_flag;
  // A failed stage writes the first record only, with code 0. A solved last
  // stage that follows a failed one carries code 0 as well, so the records
  // after it decide.
  block.Solved = rows > 0 && (code != 0 || IsStationRow(lines.Peek()));
  if (!block.Solved) return block;
  block.Rows.reserve(Room(rows));
  for (int i = 0; i < rows; ++i) {
    const std::vector<double> v = lines.Record("rrrrrrr", "station row " + std::to_string(i + 1));
    block.Rows.push_back({v[0], v[1], v[2], v[3], v[4], v[5], v[6]});
  }
  const int tie_backs = Count(lines.Record("i", "the tie-back count")[0], lines, "tie-back count");
  for (int i = 0; i < tie_backs; ++i) {
    const std::vector<double> v = lines.Record("iirrrrrrrr", "tie-back row " + std::to_string(i + 1));
    block.TieBacks.push_back(
        {static_cast<int>(v[0]), static_cast<int>(v[1]), v[2], v[3], v[4], v[5], v[6], v[7], v[8], v[9]});
  }
  return block;
}

}  // namespace

int StageUnitFlag(const PlotStage& stage) {
  if (stage.Results) return stage.Results->UnitFlag > 0 ? 1 : stage.Results->UnitFlag < 0 ? -1 : 0;
  if (stage.SoilCurves) {
    if (stage.SoilCurves->UnitSystemCode == 1) return 1;
    if (stage.SoilCurves->UnitSystemCode == 2) return -1;
  }
  return 0;
}

std::optional<double> ExcavationDepthFromCurves(const PlotStage& stage) {
  if (!stage.SoilCurves) return std::nullopt;
  // The first generated curve lies delta below the top of the first profile
  // layer, which is the excavation level: 0.1 in or 0.01 m, single-precision
  // constants of the curve generator, written with two decimals.
  double delta = 0;
  if (stage.SoilCurves->UnitSystemCode == 1)
    delta = static_cast<double>(0.1f);
  else if (stage.SoilCurves->UnitSystemCode == 2)
    delta = static_cast<double>(0.01f);
  else
    return std::nullopt;
  for (const PlotSoilCurve& c : stage.SoilCurves->Curves) {
    if (!c.Generated) continue;
    if (!std::isfinite(c.Depth)) return std::nullopt;
    return std::max(0.0, c.Depth - delta);
  }
  return std::nullopt;
}

PlotFile ParsePlotData(std::istream& in, const std::string& name) {
  PlotFile file;
  file.Name = name;
  Lines lines(in, name, file);
  // Blocks of one stage come in the order earth pressure, soil curves,
  // results; a block that cannot follow the last one starts a new stage.
  enum class Kind { None = 0, EarthPressure = 1, SoilCurves = 2, Results = 3 };
  Kind last = Kind::Results;
  auto stage_for = [&](Kind kind, int line) -> PlotStage& {
    if (file.Stages.empty() || kind <= last) {
      PlotStage stage;
      stage.Number = static_cast<int>(file.Stages.size()) + 1;
      stage.FirstLine = line;
      file.Stages.push_back(std::move(stage));
    }
    last = kind;
    return file.Stages.back();
  };
  for (;;) {
    const std::vector<Token>* head = lines.Peek();
    if (head == nullptr) break;
    if (head->empty()) {
      std::vector<Token> skipped;
      lines.Next(skipped);
      continue;
    }
    const int line = lines.line() + 1;
    if (line == 1 && IsStageMemoryLine(*head)) {
      std::vector<Token> tokens;
      lines.Next(tokens);
      file.StageMemoryUnloadFactor = lines.Value(tokens.back().Text, "the stage-memory line");
      continue;
    }
    if (!AllIntegers(*head) || head->size() > 3) {
      std::vector<Token> tokens;
      lines.Next(tokens);
      std::string found = tokens[0].Text;
      for (size_t i = 1; i < tokens.size() && i < 4; ++i) found += " " + tokens[i].Text;
      lines.Fail("expected the first record of a block (one, two or three integers), found " + Quoted(found));
    }
    switch (head->size()) {
      case 1: {
        const std::vector<double> v = lines.Record("i", "the earth-pressure option");
        stage_for(Kind::EarthPressure, line).EarthPressure = ReadEarthPressure(lines, static_cast<int>(v[0]));
        break;
      }
      case 2: {
        const std::vector<double> v = lines.Record("ii", "the soil-curve block header");
        const int count = Count(v[1], lines, "curve count");
        stage_for(Kind::SoilCurves, line).SoilCurves = ReadSoilCurves(lines, static_cast<int>(v[0]), count);
        break;
      }
      default: {
        const std::vector<double> v = lines.Record("iii", "the results block header");
        const int rows = Count(v[1], lines, "row count");
        stage_for(Kind::Results, line).Results =
            ReadResults(lines, static_cast<int>(v[0]), rows, static_cast<int>(v[2]));
        break;
      }
    }
  }
  file.Lines = lines.line();
  return file;
}

PlotFile ReadPlotFile(const std::string& path, bool may_be_empty) {
  // A long line is the parser's to name, with its number.
  WholeInput file = ReadInputFile("plot-data file", path, LineLimit::Unchecked);
  if (!file) throw PlotFileError(file.Problem, 0);
  std::istringstream in(std::move(file.Text));
  PlotFile plot = ParsePlotData(in, path);
  if (plot.Stages.empty() && !may_be_empty)
    throw PlotFileError(path + ", line " + std::to_string(std::max(plot.Lines, 1)) +
                            ": the file holds no plot data (no earth-pressure, soil-curve or results block)",
                        std::max(plot.Lines, 1));
  return plot;
}

}  // namespace darnek::pictures
