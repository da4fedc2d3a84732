#include "shell/ui/Pictures.h"

#include <QFile>
#include <QPainter>
#include <QPixmap>
#include <QSvgRenderer>

// The pictures' resource lives in this static library: registered on first use, so every program
// linking it (tests included) finds them without registering it itself.
static void InitialiserImages() { Q_INIT_RESOURCE(ActionPictures); }

namespace corvane::shell::ui {

namespace {

// A person's bust with a status badge in the lower right corner.
constexpr const char* kPerson = R"(<circle cx="26" cy="20" r="11" fill="%1"/>
<path d="M6 56 a20 20 0 0 1 40 0 z" fill="%1"/>)";

constexpr const char* kBadges[] = {
    // available: a green disc with a tick
    R"(<circle cx="46" cy="46" r="15" fill="#2e9d3a" stroke="#fff" stroke-width="3"/>
<path d="M38 46 l6 6 l10 -12" fill="none" stroke="#fff" stroke-width="5" stroke-linecap="round" stroke-linejoin="round"/>)",
    // busy: a red disc with a bar
    R"(<circle cx="46" cy="46" r="15" fill="#c62828" stroke="#fff" stroke-width="3"/>
<rect x="37" y="43" width="18" height="6" rx="2" fill="#fff"/>)",
    // disconnected: a grey ring
    R"(<circle cx="46" cy="46" r="13" fill="#fff" stroke="#6d6d6d" stroke-width="5"/>
<path d="M39 53 l14 -14" stroke="#6d6d6d" stroke-width="5" stroke-linecap="round"/>)",
    // not logged in: a padlock
    R"(<path d="M39 42 v-5 a7 7 0 0 1 14 0 v5" fill="none" stroke="#5a4a00" stroke-width="4"/>
<rect x="34" y="41" width="24" height="19" rx="3" fill="#d8a400" stroke="#fff" stroke-width="2"/>
<circle cx="46" cy="50" r="3" fill="#5a4a00"/>)",
};
constexpr const char* kPersonColours[] = {"#2f5f8f", "#2f5f8f", "#8a8a8a", "#8a8a8a"};

QIcon FromRenderer(QSvgRenderer& renderer) {
  QIcon icon;
  for (int size : {16, 22, 24, 32, 48, 64, 128}) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    renderer.render(&painter);
    painter.end();
    icon.addPixmap(pixmap);
  }
  return icon;
}

QIcon FromSvg(const QByteArray& svg) {
  QSvgRenderer renderer(svg);
  return FromRenderer(renderer);
}

constexpr const char* kConnexion = R"(<svg xmlns="http://www.w3.org/2000/svg" viewBox="0 0 64 64">
<path d="M30 8 h24 v48 h-24" fill="#e9eef4" stroke="#3b4a5a" stroke-width="4" stroke-linejoin="round"/>
<path d="M6 32 h30" stroke="#2e9d3a" stroke-width="7" stroke-linecap="round"/>
<path d="M26 20 l12 12 l-12 12" fill="none" stroke="#2e9d3a" stroke-width="7" stroke-linecap="round" stroke-linejoin="round"/>
</svg>)";

constexpr const char* kDeconnexion = R"(<svg xmlns="http://www.w3.org/2000/svg" viewBox="0 0 64 64">
<path d="M34 8 h-24 v48 h24" fill="#e9eef4" stroke="#3b4a5a" stroke-width="4" stroke-linejoin="round"/>
<path d="M22 32 h32" stroke="#c62828" stroke-width="7" stroke-linecap="round"/>
<path d="M44 20 l12 12 l-12 12" fill="none" stroke="#c62828" stroke-width="7" stroke-linecap="round" stroke-linejoin="round"/>
</svg>)";

constexpr const char* kProfil = R"(<svg xmlns="http://www.w3.org/2000/svg" viewBox="0 0 64 64">
<rect x="4" y="12" width="56" height="40" rx="5" fill="#f3f6fa" stroke="#2f5f8f" stroke-width="4"/>
<circle cx="21" cy="28" r="7" fill="#2f5f8f"/>
<path d="M10 46 a11 9 0 0 1 22 0 z" fill="#2f5f8f"/>
<path d="M38 26 h16 M38 34 h16 M38 42 h10" stroke="#2f5f8f" stroke-width="4" stroke-linecap="round"/>
</svg>)";

constexpr const char* kFiltres = R"(<svg xmlns="http://www.w3.org/2000/svg" viewBox="0 0 64 64">
<path d="M6 8 h52 l-20 24 v20 l-12 6 v-26 z" fill="#e07a10" stroke="#8a4300" stroke-width="3" stroke-linejoin="round"/>
</svg>)";

constexpr const char* kPressePapier = R"(<svg xmlns="http://www.w3.org/2000/svg" viewBox="0 0 64 64">
<rect x="10" y="8" width="44" height="52" rx="4" fill="#b07a3a" stroke="#6b4518" stroke-width="3"/>
<rect x="16" y="16" width="32" height="38" fill="#fff"/>
<rect x="22" y="4" width="20" height="10" rx="3" fill="#8a8a8a" stroke="#4a4a4a" stroke-width="2"/>
<path d="M21 26 h22 M21 34 h22 M21 42 h14" stroke="#2f5f8f" stroke-width="4" stroke-linecap="round"/>
</svg>)";

}  // namespace

QIcon IconeAction(const QString& actionName) {
  QFile file(QStringLiteral(":/actions/%1.svg").arg(actionName));
  if (!file.open(QIODevice::ReadOnly)) return {};
  return FromSvg(file.readAll());
}

QIcon IconeProfil() {
  static const QIcon icon = FromSvg(kProfil);
  return icon;
}

QIcon IconeFiltres() {
  static const QIcon icon = FromSvg(kFiltres);
  return icon;
}

QIcon IconePressePapier() {
  static const QIcon icon = FromSvg(kPressePapier);
  return icon;
}

QIcon IconeConnexion() {
  static const QIcon icon = FromSvg(kConnexion);
  return icon;
}

QIcon IconeDeconnexion() {
  static const QIcon icon = FromSvg(kDeconnexion);
  return icon;
}

QIcon IconeApplication() {
  // packaging/corvane-agent.svg, the file the installation also puts in the icon theme.
  InitialiserImages();
  static const QIcon icon = [] {
    QSvgRenderer renderer(QStringLiteral(":/corvane-agent.svg"));
    return FromRenderer(renderer);
  }();
  return icon;
}

QIcon IconeStatus(int index) {
  if (index < 0 || index > 3) index = 3;
  static QIcon icons[4];
  if (icons[index].isNull()) {
    const QString body = QString::fromUtf8(kPerson).arg(QString::fromLatin1(kPersonColours[index]));
    const QString svg = QStringLiteral("<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 64 64\">") + body +
                        QString::fromUtf8(kBadges[index]) + QStringLiteral("</svg>");
    icons[index] = FromSvg(svg.toUtf8());
  }
  return icons[index];
}

}  // namespace corvane::shell::ui
