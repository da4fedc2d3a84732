#pragma once
// The program's own pictures, drawn here as SVG: the application icon and the four status
// pictures of the notification icon and of "Change status" (0 available, 1 busy, 2 disconnected,
// 3 not logged in).

#include <QIcon>

namespace corvane::shell::ui {

QIcon IconeApplication();
// index 0..3 as above; any other index gives the "not logged in" picture.
QIcon IconeStatus(int index);
// "Log in" (an arrow going through a door) and "Log out" (an arrow leaving it).
QIcon IconeConnexion();
QIcon IconeDeconnexion();
// "Modify profile" (a card), "Assistances filters" (a funnel), "Export to clipboard" (a clipboard).
QIcon IconeProfil();
QIcon IconeFiltres();
QIcon IconePressePapier();
// The picture of a main-window action from the resource ":/actions/<actionName>.svg" (rendered to
// pixmaps, so a disabled action gets Qt's greyed look); an empty icon when there is none.
QIcon IconeAction(const QString& actionName);

}  // namespace corvane::shell::ui
