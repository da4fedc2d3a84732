#pragma once
// What a load or fault scenario found: its figures (printed as BENCH lines), what was lost (any
// loss makes the program fail), and a few lines of summary for a reader.

#include <string>
#include <vector>

namespace corvane::load {

class Findings {
public:
  struct Figure {
    std::string name;
    double value = 0;
    std::string unit;
    bool compared = false;  // has a baseline, a ratio (higher is better) and a goal
    double baseline = 0, ratio = 0, goal = 0;
    bool bounded = false;  // has a fixed bound it must reach
    double bound = 0;
  };

  // A figure against a baseline measured in the same run; ratio oriented so that higher is better.
  void Add(const std::string& name, double value, const std::string& unit, double baseline, double ratio,
           double goal);
  // A figure without a baseline (a count that must be 0, for instance).
  void Add(const std::string& name, double value, const std::string& unit);
  // A figure checked against a fixed bound instead of a measured baseline: a count of cases that
  // must all succeed, or a duration that must not be shorter than the one the console is set to
  // take. Printed with "bound=", without ratio or goal; the scenario records a loss for every
  // case that falls short, which is what fails the program.
  void AddBounded(const std::string& name, double value, const std::string& unit, double bound);
  // Something was lost or broken: the program will fail.
  void Lost(const std::string& what);
  void Note(const std::string& line);
  // Adds another run's figures, losses and notes.
  void Merge(const Findings& other);

  bool Clean() const { return losses_.empty(); }
  const std::vector<Figure>& Figures() const { return figures_; }
  const std::vector<std::string>& Losses() const { return losses_; }
  const std::vector<std::string>& Notes() const { return notes_; }
  const Figure* Find(const std::string& name) const;
  // The BENCH lines, then the summary (notes and losses).
  std::string Report(const std::string& title) const;

private:
  std::vector<Figure> figures_;
  std::vector<std::string> losses_;
  std::vector<std::string> notes_;
};

}  // namespace corvane::load
