#pragma once
// Window translation for Qt widgets: a window, once built with its English texts, is walked with
// every object it owns and each text property a user reads (titles, labels, button and action
// texts, menus, tool tips and status tips, placeholders, group and tab titles, list, combo-box and
// tree items, table and tree header titles) is replaced by its translation in one text domain.
// The program-wide exclusions are honoured: an object whose class chain is ignored is skipped with
// what it owns, and an ignored property (by class, or for every class with "*") keeps its text.
// Names of objects, dynamic properties such as an action's "Category", and fonts are never touched.
//
// Threads: main thread (the widgets' thread).

#include <QString>
#include <string_view>

class QObject;

namespace corvane::shell::ui {

// Translates `root` and everything it owns, in `domain`.
void TraduireFenetre(QObject* root, std::string_view domain);

// One text in a domain, as QString.
QString TraduireTexte(std::string_view domain, const QString& text);

// A file dialog's filter list in the "description|pattern|description|pattern" form: the
// descriptions are translated and the list becomes Qt's ";;"-separated "description (pattern)" form,
// the patterns separated by ";" becoming blanks. A description that already shows its pattern in
// parentheses keeps it as it is.
QString FiltreDialogue(std::string_view domain, const QString& filtre);

}  // namespace corvane::shell::ui
