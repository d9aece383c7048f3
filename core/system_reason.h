#pragma once

#include <string>

namespace calorvin {

// Why a system call failed, from its error number, in the operator's
// language: the C library's own texts follow the locale, often English.
std::string SystemReason(int error);

} // namespace calorvin
