#pragma once
// The contact manager of the Linux build: the two automation classes over the SQLite
// contact databases and the per-user session that penwick-contacts keeps.

#include <memory>
#include <string>

#include "lookup/contact_manager.h"
#include "util/locale.h"

namespace penwick::contacts {

// The locale reads note dates (field 200) and the clock gives the year of one typed without
// it, as the program's entry check reads them; both must outlive the factory and every object
// the factory creates. The session is the per-user default (see session.h).
std::unique_ptr<lookup::ContactManagerFactory> makeContactManagerFactory(const Locale& locale,
                                                                         const Clock& clock);
// The same with a session file of the caller's choosing (tests).
std::unique_ptr<lookup::ContactManagerFactory> makeContactManagerFactory(const Locale& locale,
                                                                         const Clock& clock,
                                                                         std::string sessionPath);

}  // namespace penwick::contacts
