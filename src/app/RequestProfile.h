#pragma once
// A request kept as an import profile, and a profile's settings as a request takes them.

#include "app/ImportRequest.h"
#include "profile/ImportProfile.h"

namespace velra {

// The profile of a request: the kind, the source's settings, the settings page (without the
// table, which follows from the kind) and the assigned columns.
ImportProfile ProfileOf(const ImportRequest& request);

// The settings page as a profile sets it: a setting the kind does not offer keeps the kind's
// default; a synchronising profile does not delete first.
ImportSettings SettingsOfProfile(const ImportProfile& profile);

}  // namespace velra
