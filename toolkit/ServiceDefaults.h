#pragma once

// Where the editor finds its content service when "VmEditor.ini" names none. The bundled local
// service listens here by default, and the update check asks the same standard host.
namespace ServiceDefaults {

inline constexpr const char *kHostAddress = "127.0.0.1";
inline constexpr int kPort = 18250;
// The bare host as the editor keeps it: no scheme, no path.
inline constexpr const char *kServiceHost = "127.0.0.1:18250";

} // namespace ServiceDefaults
