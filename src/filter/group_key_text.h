// The key of a packet's group: the text of its group variable's value.
#pragma once

#include "platform/ole_variant.h"

#include <string>

/// Out := the group key of Value: its text form as Variant::ToWide gives it, in UTF-8. Keys are
/// compared by their whole text, in every script; an integer and the text of its digits are one
/// key. Integers are written directly, and an OLE string is read where it stands, without the
/// strings the general conversion allocates.
void KeyText(const platform::VariantRec& value, std::string& out);
