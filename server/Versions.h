#pragma once

#include <cstdint>
#include <string>

#include "memo/MemoTypes.h"
#include "server/Store.h"

// The previous packages of a site, for the administrator: listing them and bringing one back.
namespace server {

// The package bytes with their TIME set to the given time; the rest stays byte for byte.
// Throws StoreError when the bytes hold no package time.
std::string restamp_package(std::string bytes, memo::Time64 time);

// Makes a version the site's package again, stamped `now` so that every browser holding a
// copy fetches it at its next check; the package it replaces becomes a version in turn.
// Throws StoreError when the site has no such version.
void restore_version(Store& store, const std::string& url, std::int64_t number, memo::Time64 now);

// The versions as lines: number, package time and replacement time (UTC), bytes, "deleted"
// for a deletion record. A line saying so when there are none.
std::string describe_versions(Store& store, const std::string& url);

} // namespace server
