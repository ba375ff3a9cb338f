#pragma once
// What a screen reader says for a menu entry: its caption without the marks
// of its access keys. The toolkit's own reading takes away only the first
// "&" of a caption, so that an entry with two ("&Remo&ved Items") would be
// read with the second; the program's entries are read through here.

#include <QString>

namespace inv::ui {

// A caption as read or spoken: every "&" that marks an access key taken
// away, a doubled "&&" left as one "&".
QString withoutMnemonics(const QString &caption);

// Has the menu entries of every menu and menu bar read by their captions
// without the marks. Once for the program; a later call does nothing.
void readMenuEntriesWithoutMnemonics();

} // namespace inv::ui
