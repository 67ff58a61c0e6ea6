// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/PulseLibrary.h"

#include <QLibrary>

const PulseLibrary *PulseLibrary::get()
{
    static const PulseLibrary *const library = []() -> const PulseLibrary * {
        // Never unloaded: its threads and callbacks may outlive any owner here.
        static QLibrary file(QStringLiteral("pulse"), 0); // libpulse.so.0, the name it has kept since 2008
        static PulseLibrary functions;
        if (!file.load())
            return nullptr;
        bool complete = true;
        // The casts name each function's own type, taken from the library's header.
#define QUADRELO_PULSE_RESOLVE(name)                                                                                   \
    functions.name = reinterpret_cast<decltype(functions.name)>(file.resolve("pa_" #name));                            \
    complete = complete && functions.name;
        QUADRELO_PULSE_FUNCTIONS(QUADRELO_PULSE_RESOLVE)
#undef QUADRELO_PULSE_RESOLVE
        return complete ? &functions : nullptr;
    }();
    return library;
}
