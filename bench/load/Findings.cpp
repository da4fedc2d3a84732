#include "Findings.h"

#include <cmath>
#include <cstdio>

namespace corvane::load {

namespace {

std::string Number(double v) {
  char text[64];
  if (std::fabs(v) < 1e15 && v == std::floor(v))
    std::snprintf(text, sizeof text, "%.0f", v);
  else
    std::snprintf(text, sizeof text, "%.3f", v);
  return text;
}

std::string Fixed(double v) {
  char text[64];
  std::snprintf(text, sizeof text, "%.3f", v);
  return text;
}

}  // namespace

void Findings::Add(const std::string& name, double value, const std::string& unit, double baseline, double ratio,
                   double goal) {
  figures_.push_back(Figure{name, value, unit, true, baseline, ratio, goal, false, 0});
}

void Findings::Add(const std::string& name, double value, const std::string& unit) {
  figures_.push_back(Figure{name, value, unit, false, 0, 0, 0, false, 0});
}

void Findings::AddBounded(const std::string& name, double value, const std::string& unit, double bound) {
  figures_.push_back(Figure{name, value, unit, false, 0, 0, 0, true, bound});
}

void Findings::Lost(const std::string& what) { losses_.push_back(what); }

void Findings::Note(const std::string& line) { notes_.push_back(line); }

void Findings::Merge(const Findings& other) {
  figures_.insert(figures_.end(), other.figures_.begin(), other.figures_.end());
  losses_.insert(losses_.end(), other.losses_.begin(), other.losses_.end());
  notes_.insert(notes_.end(), other.notes_.begin(), other.notes_.end());
}

const Findings::Figure* Findings::Find(const std::string& name) const {
  for (const Figure& f : figures_)
    if (f.name == name) return &f;
  return nullptr;
}

std::string Findings::Report(const std::string& title) const {
  std::string out;
  for (const Figure& f : figures_) {
    out += "BENCH " + f.name + " " + Number(f.value) + " " + f.unit;
    if (f.compared) out += " baseline=" + Number(f.baseline) + " ratio=" + Fixed(f.ratio) + " goal=" + Fixed(f.goal);
    if (f.bounded) out += " bound=" + Number(f.bound);
    out += "\n";
  }
  out += title + ": " + (losses_.empty() ? "nothing lost" : std::to_string(losses_.size()) + " LOSSES") + "\n";
  for (const std::string& n : notes_) out += "  " + n + "\n";
  for (const std::string& l : losses_) out += "  LOST: " + l + "\n";
  return out;
}

}  // namespace corvane::load
