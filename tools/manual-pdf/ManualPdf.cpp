// Build step: turns the Markdown user manual into the PDF installed beside the console.
//   corvane-manual-pdf <manual.md> <output.pdf>
// Runs with the offscreen platform, so it needs no display.

#include <QFile>
#include <QGuiApplication>
#include <QPageSize>
#include <QPdfWriter>
#include <QTextDocument>
#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: corvane-manual-pdf <manual.md> <output.pdf>\n");
    return 2;
  }
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);

  QFile source(QString::fromLocal8Bit(argv[1]));
  if (!source.open(QIODevice::ReadOnly)) {
    std::fprintf(stderr, "corvane-manual-pdf: cannot read %s\n", argv[1]);
    return 1;
  }
  const QString markdown = QString::fromUtf8(source.readAll());

  QPdfWriter pdf(QString::fromLocal8Bit(argv[2]));
  pdf.setTitle(QStringLiteral("Corvane Agent — User manual"));
  pdf.setCreator(QStringLiteral("Corvane Agent"));
  pdf.setPageSize(QPageSize(QPageSize::A4));
  pdf.setResolution(300);

  QTextDocument document;
  document.setDefaultStyleSheet(QStringLiteral(
      "h1 { font-size: 20pt; } h2 { font-size: 14pt; margin-top: 14px; } "
      "table { border-collapse: collapse; } td, th { padding: 3px; }"));
  QFont font = document.defaultFont();
  font.setPointSizeF(10.5);
  document.setDefaultFont(font);
  document.setMarkdown(markdown);
  document.print(&pdf);
  if (!QFile::exists(QString::fromLocal8Bit(argv[2]))) {
    std::fprintf(stderr, "corvane-manual-pdf: %s was not written\n", argv[2]);
    return 1;
  }
  return EXIT_SUCCESS;
}
