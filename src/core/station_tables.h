// The solver's tables, addressed by station: the difference model's
// per-station values and the p-y curves it solves with.
#pragma once

#include <cassert>
#include <vector>

namespace darnek {

// Per-station values of the difference model, addressed by station number:
// stations -3 .. N+3, where -1 and N+1 are the imaginary stations and the two
// beyond each end stay zero.
template <class T>
class StationArray {
 public:
  void Resize(int num_increments) {
    num_increments_ = num_increments;
    values_.assign(static_cast<size_t>(num_increments) + 7, T{});
  }
  void Fill(T value) { values_.assign(values_.size(), value); }
  T& operator[](int station) {
    assert(station >= -3 && station <= num_increments_ + 3);
    return values_[static_cast<size_t>(station + 3)];
  }
  const T& operator[](int station) const {
    assert(station >= -3 && station <= num_increments_ + 3);
    return values_[static_cast<size_t>(station + 3)];
  }
  int NumIncrements() const { return num_increments_; }
  bool Empty() const { return values_.empty(); }

 private:
  int num_increments_ = -1;
  std::vector<T> values_;
};

// ------------------------------------------------------------ station tables
struct StationTables {
  StationArray<double> EI;
  StationArray<double> Q;
  StationArray<double> S;
  StationArray<double> T;
  StationArray<double> R;
  StationArray<double> P;  // opposite sign to the axial load of the input
  StationArray<double> BaseQ;
  StationArray<double> BaseS;
  StationArray<double> W;
  StationArray<double> RecA;
  StationArray<double> RecB;
  StationArray<double> RecC;
  StationArray<int> SolutionCode;
  StationArray<double> SoilReaction;  // per unit length, last solution
  // Deflection history of the iteration (stations 0 .. N used).
  StationArray<double> Wprev1;
  StationArray<double> Wprev2;
  StationArray<double> Wprev3;
  // A non-zero value of an entry fell beyond station N+3, past the end of the
  // tables; the beyond-end check reports it.
  bool DataBeyondTables = false;
};

// against deflection.
struct PyCurve {
  int From = 0;  // station numbers
  int To = 0;
  int Contd = 0;
  std::vector<double> Y;
  std::vector<double> P;
  int NumPoints() const { return static_cast<int>(Y.size()); }
};

}  // namespace darnek
