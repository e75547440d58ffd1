// Every window's title, as the X server holds it (_NET_WM_NAME, which desktops show), is
// exactly its caption; every window carries the program's icon; message boxes are titled
// with the application's title.

#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QInputDialog>
#include <QMessageBox>
#include <QTimer>
#include <QWidget>
#include <array>
#include <cstdio>
#include <memory>
#include <string>

#include "scenarios/station_rig.h"
#include "ui/dialogs.h"
#include "ui/main_window.h"
#include "ui/qt_operator.h"

namespace tarvos::ui {
namespace {

using scenarios::StationRig;

// What xprop prints of one property of a window ("" when it has none).
std::string Property(const QWidget& window, const char* name) {
  const std::string command =
      "xprop -id " + std::to_string(window.winId()) + " " + name + " 2>&1";
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(::popen(command.c_str(), "r"), ::pclose);
  if (!pipe) return {};
  std::string out;
  std::array<char, 4096> buffer{};
  while (const std::size_t got = std::fread(buffer.data(), 1, buffer.size(), pipe.get())) {
    out.append(buffer.data(), got);
  }
  return out;
}

// The window's _NET_WM_NAME, once the server has it.
std::string NetWmName(const QWidget& window) {
  const std::string prefix = "_NET_WM_NAME(UTF8_STRING) = \"";
  QElapsedTimer waited;
  waited.start();
  std::string out;
  while (waited.elapsed() < 5000) {
    QApplication::processEvents();
    QApplication::sync();
    out = Property(window, "_NET_WM_NAME");
    if (out.rfind(prefix, 0) == 0) {
      const std::size_t end = out.rfind('"');
      return out.substr(prefix.size(), end - prefix.size());
    }
  }
  ADD_FAILURE() << "xprop: " << out;
  return out;
}

// The window's _NET_WM_ICON holds a picture.
bool HasIcon(const QWidget& window) {
  return Property(window, "_NET_WM_ICON").find("Icon (") != std::string::npos;
}

// A window over a started station, shown on the X server.
struct XcbRig {
  XcbRig() {
    rig.StartUp();
    main = std::make_unique<MainWindow>(rig.St(), WindowHooks{});
    main->show();
    main->Refresh();
  }
  StationRig rig;
  std::unique_ptr<MainWindow> main;
};

TEST(WindowTitlesTest, TheMainWindowAndTheEngineersWindowsCarryTheirCaptionsOnly) {
  ASSERT_EQ(QApplication::platformName(), "xcb");
  XcbRig x;
  EXPECT_EQ(NetWmName(*x.main), "Brevant Instruments Ltd - Fennix");
  EXPECT_TRUE(HasIcon(*x.main));

  DiagnosticsWindow diagnostics(x.rig.St(), nullptr);
  x.rig.St().ShowDiagnostics();
  diagnostics.Refresh();
  EXPECT_EQ(NetWmName(diagnostics), "Fennix Diagnostics");
  EXPECT_TRUE(HasIcon(diagnostics));

  TestFormWindow form(x.rig.St(), nullptr);
  std::string form_title;
  QTimer::singleShot(0, [&] {
    form_title = NetWmName(form);
    form.reject();
  });
  form.Run();
  EXPECT_EQ(form_title, "Test Form");

  NotesDialog notes(x.rig.St(), nullptr);
  std::string notes_title;
  QTimer::singleShot(0, [&] {
    notes_title = NetWmName(notes);
    notes.reject();
  });
  notes.Run();
  EXPECT_EQ(notes_title, "Brevant Instruments Ltd - Fennix Notes");
}

TEST(WindowTitlesTest, TheInputBoxHasItsCaptionAndMessageBoxesTheApplicationTitle) {
  EXPECT_EQ(QCoreApplication::applicationName(), "Brevant Instruments Ltd TARVOS");
  QtOperator op;
  std::string input_title;
  QTimer::singleShot(0, [&] {
    auto* box = qobject_cast<QInputDialog*>(QApplication::activeModalWidget());
    if (box == nullptr) {
      ADD_FAILURE() << "no input box";
      return;
    }
    input_title = NetWmName(*box);
    box->reject();
  });
  op.Input("Fennix Test Title", "Enter Display Title : ", "");
  EXPECT_EQ(input_title, "Fennix Test Title");

  std::string box_title;
  bool box_icon = false;
  QTimer::singleShot(0, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (box == nullptr) {
      ADD_FAILURE() << "no message box";
      return;
    }
    box_title = NetWmName(*box);
    box_icon = HasIcon(*box);
    box->accept();
  });
  op.Show(platform::MessageKind::Warning, "Invalid Dwell Time");
  EXPECT_EQ(box_title, "Brevant Instruments Ltd TARVOS");
  EXPECT_TRUE(box_icon);
}

}  // namespace
}  // namespace tarvos::ui
