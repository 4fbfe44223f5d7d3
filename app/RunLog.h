#pragma once
// Where the program writes down what it decides and does, line by line, so that whoever looks
// after an unattended run can tell afterwards what happened and why.

#include <string>

namespace tarnwell {

class RunLog {
 public:
  virtual ~RunLog() = default;
  virtual void Write(const std::string& line) = 0;
};

}  // namespace tarnwell
