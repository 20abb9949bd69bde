#pragma once

#include "app/DialogTemplate.h"

#include <cstdint>
#include <vector>

namespace quillane {

// A dialog template as DialogBoxIndirectParamA reads it, laid out from the template data the
// Qt side shares: the extended format (DLGTEMPLATEEX), with the font and the controls in
// their order. The buffer is made of 32-bit words, so that it starts DWORD-aligned as the
// format requires.
std::vector<std::uint32_t> dialogTemplateBytes(const DialogTemplate& source);

}  // namespace quillane
