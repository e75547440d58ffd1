#pragma once

#include <QMainWindow>
#include <QPointer>
#include <functional>
#include <memory>
#include <vector>

#include "screen/screen.h"
#include "station/station.h"

class QAction;
class QButtonGroup;
class QComboBox;
class QLabel;
class QMenu;
class QPushButton;
class QCheckBox;
class QTableWidget;
class QFrame;
class QWidget;

namespace tarvos::ui {

class EntryField;
class Lamp;
class ClockLabel;
class CustomTable;

// What the window asks of the rest of the program that it does not draw itself: the
// graph image, the printed reports and the dialogs kept beside the window.
struct WindowHooks {
  std::function<QImage()> DrawGraph;
  std::function<void()> PrintPlot;
  std::function<void()> PrintTabular;
  std::function<void()> PrinterSetup;
  std::function<void()> ShowScreenSettings;
  std::function<void()> ShowNotes;
  std::function<void()> ShowAbout;
  std::function<void()> ShowSystemDetails;
  std::function<void()> ShowDiagnostics;
  std::function<void()> ShowTestForm;
  std::function<void()> ShowRunLog;      // "Records > Run Log..."
  std::function<void()> ShowEutEffects;  // "Records > EUT Effects..."
  // True once the program is ending without the operator (a signal): the window then
  // closes without the close question.
  std::function<bool()> EndingWithoutQuestion;
};

// The operator's main window. It draws the Station's Screen and forwards every widget
// event to a Station handler; the operator's typing goes into the Screen as it happens.
class MainWindow : public QMainWindow {
 public:
  static constexpr int kClientWidth = 792;
  static constexpr int kClientHeight = 543;

  MainWindow(station::Station& station, WindowHooks hooks);
  ~MainWindow() override;

  // Draws the Screen: after every handler and at every pass of a wait.
  void Refresh();
  // The widgets by caption, for tests.
  QPushButton* ButtonNamed(const QString& caption) const;
  QAction* MenuAction(const QString& path) const;  // "&File/&Save As/&Pre-Scans..."
  QLabel* GraphBox() const { return graph_box_; }
  QWidget* SplashWindow() const { return splash_.data(); }
  QFrame* SinglePanel() const { return single_panel_; }
  QFrame* SetupPanel() const { return setup_panel_; }
  QFrame* ReportPanel() const { return report_panel_; }
  Lamp* LampNamed(const QString& caption) const;
  EntryField* FieldNamed(const QString& name) const;
  QLabel* ClockBox() const;

 protected:
  void closeEvent(QCloseEvent* event) override;
  void changeEvent(QEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  // Runs a Station handler and draws what it changed.
  void Handle(const std::function<void()>& handler);
  void BuildLamps(QWidget* client);
  void BuildTopStrip(QWidget* client);
  void BuildSinglePanel(QWidget* client);
  void BuildSetupPanel(QWidget* client);
  void BuildReportPanel(QWidget* client);
  void BuildMonitor(QWidget* client);
  void BuildButtons(QWidget* client);
  void BuildMenus();
  void BuildSplash();
  QPushButton* AddButton(QWidget* parent, screen::Button& button, QRect place,
                         std::function<void()> handler);
  EntryField* AddField(QWidget* parent, const QString& name, screen::Field& field, QRect place,
                       std::function<void()> on_leave, std::function<void()> on_enter);
  QLabel* AddText(QWidget* parent, const std::string& text, QRect place);
  QLabel* AddLiveText(QWidget* parent, const std::string& text, QRect place, bool boxed);
  QButtonGroup* AddRadioGroup(QWidget* parent, const QString& title, const QStringList& items,
                              QRect place, screen::Choice& choice,
                              std::function<void(int)> handler);
  QComboBox* AddList(QWidget* parent, const QStringList& items, QRect place,
                     screen::Choice& choice, std::function<void(int)> handler);
  void AddLamp(QWidget* parent, const QString& caption, screen::LampColour& colour, int y);
  void RefreshGraph();

  station::Station& station_;
  screen::Screen& screen_;
  WindowHooks hooks_;
  // Every piece of the Screen the window draws, each drawing itself.
  std::vector<std::function<void()>> drawers_;
  std::vector<std::pair<QString, Lamp*>> lamps_;
  std::vector<std::pair<QString, EntryField*>> fields_;
  QFrame* single_panel_ = nullptr;
  QFrame* setup_panel_ = nullptr;
  QFrame* report_panel_ = nullptr;
  QLabel* graph_box_ = nullptr;
  ClockLabel* clock_ = nullptr;
  CustomTable* custom_grid_ = nullptr;
  QPointer<QWidget> splash_;
  unsigned graph_drawn_at_ = ~0U;
  bool refreshing_ = false;
};

}  // namespace tarvos::ui
