#include "context/session.h"

namespace dext {

namespace {
SessionContext the_session;
}  // namespace

SessionContext& Session() { return the_session; }

void ResetSession() { the_session = SessionContext(); }

}  // namespace dext
