// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/PulseLibrary.h"

#include <QLibrary>

namespace {

// The casts name each function's own type, as the library's header declares it.
template <typename Function>
void resolve(QLibrary &file, const char *symbol, Function &function, int &missing)
{
    function = reinterpret_cast<Function>(file.resolve(symbol));
    if (!function)
        ++missing;
}

}

const PulseLibrary *PulseLibrary::get()
{
    static const PulseLibrary *const library = []() -> const PulseLibrary * {
        // Never unloaded: its threads and callbacks may outlive any owner here.
        static QLibrary file(QStringLiteral("pulse"), 0); // libpulse.so.0, its name since 2008
        static PulseLibrary functions;
        if (!file.load())
            return nullptr;
        int missing = 0;
#define QUADRELO_PULSE_RESOLVE(name) resolve(file, "pa_" #name, functions.name, missing);
        QUADRELO_PULSE_FUNCTIONS(QUADRELO_PULSE_RESOLVE)
#undef QUADRELO_PULSE_RESOLVE
        return missing == 0 ? &functions : nullptr;
    }();
    return library;
}
