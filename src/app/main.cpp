// tunewell: the window program.
//
//   tunewell [--port PATH]... [--screenshot FILE]
//
// --port adds a device path to the offered ports (repeatable), for example the
// terminal of the simulator kxsim. --screenshot draws the window once into FILE
// (PNG) and exits.
#include <QApplication>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QLocale>
#include <QScreen>
#include <QStyle>
#include <QTimer>
#include <QTranslator>
#include <cstdio>
#include <string>
#include <vector>

#include "app/main_window.h"
#include "link/serial_port.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
  QTranslator qtTranslator;
  if (qtTranslator.load("qtbase_ru", QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
    app.installTranslator(&qtTranslator);

  std::vector<std::string> extraPorts;
  QString screenshot;
  const QStringList args = app.arguments();
  for (qsizetype i = 1; i < args.size(); ++i) {
    if (args[i] == "--port" && i + 1 < args.size()) {
      extraPorts.push_back(args[++i].toStdString());
    } else if (args[i] == "--screenshot" && i + 1 < args.size()) {
      screenshot = args[++i];
    } else {
      std::fprintf(stderr, "usage: tunewell [--port PATH]... [--screenshot FILE]\n");
      return 2;
    }
  }

  // Extra ports are offered while their device node exists, so that a
  // simulator that goes away counts as a pulled cable.
  TfrmMain window(nullptr, [extraPorts] {
    std::vector<std::string> ports = EnumVirtualComPorts();
    for (const std::string& path : extraPorts)
      if (QFileInfo::exists(QString::fromStdString(path))) ports.push_back(path);
    return ports;
  });
  if (QScreen* screen = window.screen())
    window.move(screen->availableGeometry().center() - window.rect().center());
  window.show();

  if (!screenshot.isEmpty()) {
    QTimer::singleShot(500, &window, [&] {
      const bool saved = window.grab().save(screenshot, "PNG");
      app.exit(saved ? 0 : 1);
    });
  }
  return app.exec();
}
