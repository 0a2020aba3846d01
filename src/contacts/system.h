#pragma once
// What the contact manager records about who wrote something, where and when.

#include <string>

namespace penwick::contacts {

// Now in UTC as yyyy-mm-ddThh:mm:ss.mmmZ.
std::string utcTimestamp();
// The name of the operating-system user running this process.
std::string osUserName();
// This machine's host name, or empty when it has none.
std::string hostName();

}  // namespace penwick::contacts
