#pragma once

#include <ostream>
#include <string>

namespace Serialio {

// Where the library prints its diagnostics: standard output unless redirected. Tests capture
// them; a console tool may silence them (nullptr).
void setDiagnosticStream(std::ostream* stream);
void printDiagnostic(const std::string& line);

}  // namespace Serialio
