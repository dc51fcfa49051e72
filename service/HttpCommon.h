#pragma once

#include <QString>

#include <string>

// What the two HTTP clients share about talking to libcurl.
namespace HttpCommon {

// Initialises libcurl once for the process.
void GlobalInit();

// A request target as it goes into the request line: characters that may not stand there
// literally (blanks, controls, non-ASCII, quotes, brackets, "#") become %XX of their UTF-8
// bytes; everything else, "%" included, is kept as formatted.
std::string WireTarget(const QString &target);

// The hosts that never go through a proxy: the user's no_proxy list plus the loopback
// addresses, so a proxy set in the environment never sees requests to a service on this machine.
std::string NoProxyHosts();

} // namespace HttpCommon
