// Field procedures, found by the field's name. The transfer driver registers
// its procedures at start-up, so the screen does not depend on it.
#ifndef DEXT_SCREEN_FIELD_PROCEDURES_H_
#define DEXT_SCREEN_FIELD_PROCEDURES_H_

#include <cstdint>
#include <functional>
#include <string>

namespace dext {

using FieldProcedure = std::function<int16_t()>;

// Registers (or replaces, or with nullptr removes) the procedure of a field name.
void RegisterFieldProcedure(const std::string& field_name, FieldProcedure procedure);

// The procedure of a field name (trailing blanks removed), or an empty one.
FieldProcedure FindFieldProcedure(const std::string& field_name);

}  // namespace dext

#endif  // DEXT_SCREEN_FIELD_PROCEDURES_H_
