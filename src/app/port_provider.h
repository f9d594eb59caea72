#pragma once

// The ports behind the port rows live in the session now; this name stays until
// the window includes the session's header itself.
#include "session/port_provider.h"
