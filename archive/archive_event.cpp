#include "archive/archive_event.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <ctime>

namespace archive {

const char* EventKindName(TEventKind kind) {
    switch (kind) {
        case TEventKind::Download: return "download";
        case TEventKind::Start: return "start";
        case TEventKind::Erase: return "erase";
        case TEventKind::Import: return "import";
        case TEventKind::Export: return "export";
        case TEventKind::Report: return "report";
        case TEventKind::Replaced: return "replaced";
        case TEventKind::Conflict: return "conflict";
    }
    return "";
}

TActor TActor::Current(const std::string& program) {
    TActor actor;
    const std::time_t now = std::time(nullptr);
    actor.WhenUnix = now;
    std::tm local{};
    if (::localtime_r(&now, &local)) actor.UtcOffsetSeconds = static_cast<std::int32_t>(local.tm_gmtoff);
    char host[256] = {};
    if (::gethostname(host, sizeof host - 1) == 0) actor.Computer = host;
    if (const passwd* pw = ::getpwuid(::geteuid()); pw && pw->pw_name) {
        actor.User = pw->pw_name;
    } else if (const char* user = std::getenv("USER")) {
        actor.User = user;
    }
    actor.ProgramVersion = program;
    return actor;
}

}  // namespace archive
