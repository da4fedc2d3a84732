#pragma once
// The shell's window models use the message-box port of base under their own namespace.

#include "base/BoitesDialogue.h"

namespace corvane::shell {

using base::Bouton;
using base::IBoitesDialogue;
using base::TypeBoite;

}  // namespace corvane::shell
