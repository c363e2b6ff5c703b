#include "SessionProfile.h"

ModuleValues ValuesOf(const ModuleSession& session) {
    return ValuesOf(session.Module(), session.Model(), session.ReadJob());
}

Profile ProfileOf(const ModuleSession& session, std::uint32_t baud) {
    return ProfileOf(ValuesOf(session), session.Model(), session.Module().role, baud);
}
