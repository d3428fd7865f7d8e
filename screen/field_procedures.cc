#include "screen/field_procedures.h"

#include <map>

namespace dext {

namespace {

std::map<std::string, FieldProcedure>& Procedures() {
  static std::map<std::string, FieldProcedure> procedures;
  return procedures;
}

std::string WithoutTrailingBlanks(const std::string& name) {
  return name.substr(0, name.find_last_not_of(' ') + 1);
}

}  // namespace

void RegisterFieldProcedure(const std::string& field_name, FieldProcedure procedure) {
  const std::string name = WithoutTrailingBlanks(field_name);
  if (procedure) {
    Procedures()[name] = procedure;
  } else {
    Procedures().erase(name);
  }
}

FieldProcedure FindFieldProcedure(const std::string& field_name) {
  auto found = Procedures().find(WithoutTrailingBlanks(field_name));
  return found == Procedures().end() ? nullptr : found->second;
}

}  // namespace dext
