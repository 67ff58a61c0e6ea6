// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QString>

// The mailto: address the e-mail command hands to the person's mail program: the note's text as
// the body. The address travels as one program argument, which Linux limits to 128 KiB; a text
// too long for it is cut at a word and ends with "…", so the mail program always opens.
namespace MailAddress {

// Linux's limit on one program argument (MAX_ARG_STRLEN, its closing NUL included), less room
// for what a mail program's launcher may put in front of the address ("--compose=", say).
constexpr int MaxBytes = 128 * 1024 - 1024;

// The address for `text`, at most `maxBytes` long; `cut` tells whether the text had to be cut.
QString forText(const QString &text, int maxBytes = MaxBytes, bool *cut = nullptr);

} // namespace MailAddress
