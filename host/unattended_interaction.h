#pragma once

#include "framework/core/interaction.h"

#include <memory>

namespace kpv::host {

// The user seam of a host nobody watches (a screenshot run): messages go to the terminal, questions are
// answered no, and nothing waits for a person.
std::unique_ptr<Interaction> MakeUnattendedInteraction();

}  // namespace kpv::host
