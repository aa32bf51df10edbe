#pragma once

#include <libxml/tree.h>

// The shipped schemas of layout 1.00, read from bin/schemas/nfse-nacional-1.00/ beside the program once
// per process, and shared by every thread: each validation has a context of its own.
namespace kpv::nfse {

enum class Layout { Dps, Nfse };

// Throws NfseError when `document` does not follow its layout's schema, naming every element the schema
// refuses with its complaint, or when the schema cannot be read.
void Validate(xmlDoc* document, Layout layout);

}  // namespace kpv::nfse
