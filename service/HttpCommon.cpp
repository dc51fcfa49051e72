#include "HttpCommon.h"

#include <QByteArray>

#include <cstdlib>
#include <cstring>
#include <curl/curl.h>
#include <mutex>

namespace HttpCommon {

void GlobalInit()
{
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

std::string WireTarget(const QString &target)
{
    static const char hex[] = "0123456789ABCDEF";
    const QByteArray utf8 = target.toUtf8();
    std::string out;
    out.reserve(static_cast<size_t>(utf8.size()));
    for (const char c : utf8) {
        const auto b = static_cast<unsigned char>(c);
        if (b <= 0x20 || b >= 0x7F || std::strchr("\"<>\\^`{|}#", b) != nullptr) {
            out += '%';
            out += hex[b >> 4];
            out += hex[b & 15];
        } else {
            out += c;
        }
    }
    return out;
}

std::string NoProxyHosts()
{
    std::string hosts = "127.0.0.1,localhost,::1";
    for (const char *name : {"no_proxy", "NO_PROXY"}) {
        if (const char *value = std::getenv(name); value && *value) {
            hosts += ',';
            hosts += value;
            break;
        }
    }
    return hosts;
}

} // namespace HttpCommon
