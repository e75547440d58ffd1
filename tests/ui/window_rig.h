#pragma once

// The main window over a station rig on virtual time, for the window's tests and the
// guide's screenshots: real widgets clicked, the graph drawn as the program draws it.

#include <QApplication>
#include <QDir>
#include <QFocusEvent>
#include <QPushButton>
#include <QTest>
#include <functional>
#include <memory>

#include "scenarios/station_rig.h"
#include "ui/main_window.h"
#include "ui/results_graph.h"
#include "ui/widgets.h"

namespace tarvos::ui {

using scenarios::StationRig;

// A window over a rig; the graph drawn as the program draws it.
struct WindowRig {
  WindowRig() {
    WindowHooks hooks;
    hooks.DrawGraph = [this] {
      station::Station& st = rig.St();
      return RedrawGraph(GraphInputs{st.Setup(), st.Cell(), st.Config(), st.Results(),
                                     st.PreScan(), st.Screen().graph, rig.op});
    };
    window = std::make_unique<MainWindow>(rig.St(), hooks);
  }

  // The start-up timer fires, as it does 2500 ms after the window is made.
  void StartUp() {
    rig.StartUp();
    window->Refresh();
  }

  QPushButton* Button(const char* caption) const {
    QPushButton* button = window->ButtonNamed(caption);
    EXPECT_NE(button, nullptr) << caption;
    return button;
  }

  void Click(const char* caption) { QTest::mouseClick(Button(caption), Qt::LeftButton); }

  // Types into a field and leaves it with Tab, as the operator does.
  void Type(const char* field, const char* text) {
    EntryField* edit = window->FieldNamed(field);
    ASSERT_NE(edit, nullptr) << field;
    edit->selectAll();
    QTest::keyClicks(edit, text);
    // The Tab key's focus change, as the widget receives it.
    QFocusEvent leave(QEvent::FocusOut, Qt::TabFocusReason);
    QApplication::sendEvent(edit, &leave);
  }

  // A standard scan from 100 MHz to the finish in 5 % steps at 3 V/m, 1 s dwell.
  void TypeScan(const char* finish) {
    Type("setup.start", "100");
    Type("setup.finish", finish);
    Type("setup.step", "5");
    Type("setup.field", "3");
    Type("setup.dwell", "1");
  }

  // Draws the window at every millisecond of virtual time, as the Qt loop's passes do,
  // and runs a look at each.
  void EveryPass(std::function<void()> look) {
    pass_timer = rig.loop.CreateTimer();
    pass_timer->SetInterval(1);
    pass_timer->SetCallback([this, look = std::move(look)] {
      window->Refresh();
      look();
    });
    pass_timer->SetEnabled(true);
  }

  void Grab(const QString& name) {
    QDir().mkpath(TARVOS_GRAB_DIR);
    window->grab().save(QString(TARVOS_GRAB_DIR) + name);
  }

  StationRig rig;
  std::unique_ptr<MainWindow> window;
  std::unique_ptr<platform::Timer> pass_timer;
};

}  // namespace tarvos::ui
