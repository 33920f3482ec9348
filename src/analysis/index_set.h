// A selection of track indexes, as the track table hands it over.
#pragma once

#include <initializer_list>
#include <set>

namespace brelvano {

// What the track list asks of a selection: how many indexes it holds and
// whether it holds a given one.
class IndexSet {
 public:
  virtual ~IndexSet() = default;
  virtual int count() const = 0;
  virtual bool containsIndex(int index) const = 0;
};

// A selection held in a std::set.
class StdIndexSet : public IndexSet {
 public:
  StdIndexSet() = default;
  StdIndexSet(std::initializer_list<int> indexes) : indexes_(indexes) {}

  void addIndex(int index) { indexes_.insert(index); }
  int count() const override { return static_cast<int>(indexes_.size()); }
  bool containsIndex(int index) const override { return indexes_.count(index) != 0; }
  const std::set<int>& indexes() const { return indexes_; }

 private:
  std::set<int> indexes_;
};

}  // namespace brelvano
