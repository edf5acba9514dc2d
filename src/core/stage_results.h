// What a stage's solution gives: its outcome, the station results, the
// iteration history.
#pragma once

#include <string>
#include <vector>

namespace darnek {

// ------------------------------------------------------------------- results
enum class StageOutcome { NotRun, Closed, SingleSolution, DeflectionExceeded, IterationLimit, BrokeDown };

struct StationResult {
  int Station = 0;
  double X = 0;  // k h, analysis length unit
  double Deflection = 0;
  double Slope = 0;
  double Moment = 0;
  double Shear = 0;
  double SoilReaction = 0;
  double NetForce = 0;
  double EI = 0;
  // The loads per station of the earth pressure and the load rows, and the
  // forces of the tie-backs and restraint springs: with the soil reaction
  // times h they add up to NetForce, less the axial load's share.
  double AppliedLoad = 0;
  double SupportForce = 0;
};

// One pass of a stage's iteration, as the run log's monitoring table shows it.
struct IterationStep {
  int Iteration = 0;
  int ChangedStations = 0;               // stations whose deflection changed by more than the tolerance
  double MaxChange = 0;                  // the largest change of deflection
  double Deflections[4] = {0, 0, 0, 0};  // of stations 1 to 4
};

struct ResultsData {
  StageOutcome Outcome = StageOutcome::NotRun;
  int Iterations = 0;
  int ExceedingStations = 0;
  std::vector<StationResult> Stations;
  // Every pass of the iteration; none for a single solution.
  std::vector<IterationStep> History;
  // Row count of the last stage whose results were computed.
  int LastResultRows = 0;
  // Where the solution broke down: the first station with a value that is
  // not finite, which value, and whether it is not a number (else infinite).
  int BreakdownStation = 0;
  std::string BreakdownQuantity;  // "deflection", "flexural rigidity EI", ...
  bool BreakdownNotANumber = false;
  // Load stepping after an iteration that did not close: whether it was
  // tried, its increments and the largest fraction of the loads it carried.
  // A stage it closes has the outcome Closed.
  bool LoadStepped = false;
  int LoadSteps = 0;
  double LoadFraction = 0;
};

}  // namespace darnek
