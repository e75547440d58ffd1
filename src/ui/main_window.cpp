#include "ui/main_window.h"

#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTableWidget>
#include <QVBoxLayout>

#include "setup/test_setup.h"
#include "ui/latin1.h"
#include "ui/widgets.h"

namespace tarvos::ui {
namespace {

constexpr int kFieldHeight = 22;
constexpr QRect kWorkArea(108, 32, 680, 320);

void SetTextIfChanged(QLabel* label, const std::string& text) {
  const QString shown = FromLatin1(text);
  if (label->text() != shown) label->setText(shown);
}

void SetTextIfChanged(QLineEdit* edit, const std::string& text) {
  const QString shown = FromLatin1(text);
  if (edit->text() != shown) edit->setText(shown);
}

QFrame* MakeRegion(QWidget* parent, QRect place) {
  auto* frame = new QFrame(parent);
  frame->setFrameShape(QFrame::Panel);
  frame->setFrameShadow(QFrame::Raised);
  frame->setGeometry(place);
  return frame;
}

QLabel* MakeHeading(QWidget* parent, const QString& text, QPoint at) {
  auto* label = new QLabel(text, parent);
  QFont font = label->font();
  font.setBold(true);
  label->setFont(font);
  label->move(at);
  label->adjustSize();
  return label;
}

QStringList ModulationItems() {
  QStringList items;
  for (uint8_t type = 0; type <= 4; ++type) items << FromLatin1(setup::ModulationName(type));
  return items;
}

}  // namespace

MainWindow::MainWindow(station::Station& station, WindowHooks hooks)
    : station_(station), screen_(station.Screen()), hooks_(std::move(hooks)) {
  setWindowTitle(FromLatin1(screen_.window_caption));
  setWindowFlags(Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                 Qt::WindowCloseButtonHint);
  auto* client = new QWidget(this);
  client->setFixedSize(kClientWidth, kClientHeight);
  setCentralWidget(client);

  BuildLamps(client);
  BuildTopStrip(client);
  BuildSinglePanel(client);
  BuildSetupPanel(client);
  BuildReportPanel(client);
  BuildMonitor(client);
  BuildButtons(client);
  BuildMenus();
  BuildSplash();

  setFixedSize(sizeHint());
  if (const QScreen* shown_on = QApplication::primaryScreen()) {
    const QRect available = shown_on->availableGeometry();
    move(available.center() - rect().center());
  }
  Refresh();
}

MainWindow::~MainWindow() {
  if (splash_) delete splash_.data();
}

// --- building

void MainWindow::AddLamp(QWidget* parent, const QString& caption, screen::LampColour& colour,
                         int y) {
  auto* lamp = new Lamp(parent);
  lamp->move(10, y);
  auto* label = new QLabel(caption, parent);
  label->move(34, y + 1);
  label->adjustSize();
  lamps_.emplace_back(caption, lamp);
  drawers_.push_back([lamp, &colour] { lamp->SetColour(colour); });
}

void MainWindow::BuildLamps(QWidget* client) {
  screen::Lamps& lamps = screen_.lamps;
  QFrame* status = MakeRegion(client, QRect(4, 4, 100, 188));
  MakeHeading(status, "STATUS", QPoint(8, 4));
  int y = 28;
  for (auto [caption, colour] :
       std::initializer_list<std::pair<const char*, screen::LampColour*>>{
           {"Ready", &lamps.ready},
           {"Running", &lamps.running},
           {"Settling", &lamps.settling},
           {"Modulation", &lamps.modulation},
           {"Standby", &lamps.standby}}) {
    AddLamp(status, caption, *colour, y);
    y += 31;
  }
  QFrame* eut = MakeRegion(client, QRect(4, 196, 100, 120));
  MakeHeading(eut, "EUT", QPoint(8, 4));
  y = 28;
  for (auto [caption, colour] : std::initializer_list<std::pair<const char*, screen::LampColour*>>{
           {"OK", &lamps.eut_ok}, {"Fault", &lamps.eut_fault}, {"Prompt", &lamps.eut_prompt}}) {
    AddLamp(eut, caption, *colour, y);
    y += 30;
  }
  QFrame* fault = MakeRegion(client, QRect(4, 320, 100, 144));
  MakeHeading(fault, "FAULT", QPoint(8, 4));
  y = 28;
  for (auto [caption, colour] : std::initializer_list<std::pair<const char*, screen::LampColour*>>{
           {"Synth.", &lamps.synth}, {"P. A.", &lamps.pa}, {"Hardware", &lamps.hardware}}) {
    AddLamp(fault, caption, *colour, y);
    y += 36;
  }
}

void MainWindow::BuildTopStrip(QWidget* client) {
  QFrame* strip = MakeRegion(client, QRect(108, 4, 680, 25));
  QLabel* title = AddLiveText(strip, screen_.title_label, QRect(6, 3, 480, 19), false);
  drawers_.push_back([this, title] { SetTextIfChanged(title, screen_.title_label); });
  clock_ = new ClockLabel(strip);
  clock_->setObjectName("clock");
  clock_->setGeometry(500, 3, 176, 19);
  clock_->OnRightPress = [this] {
    if (hooks_.ShowTestForm) Handle(hooks_.ShowTestForm);
  };
  drawers_.push_back([this] { SetTextIfChanged(clock_, screen_.clock_label); });
}

void MainWindow::BuildSinglePanel(QWidget* client) {
  screen::SinglePanel& panel = screen_.single;
  single_panel_ = MakeRegion(client, kWorkArea);
  QFrame* p = single_panel_;
  MakeHeading(p, "SINGLE FREQUENCY CONTROL", QPoint(8, 6));

  const auto leave_frequency = [this] { station_.LeaveSingleFrequency(); };
  const auto leave_level = [this] { station_.LeaveSingleLevel(); };
  const auto leave_setup = [this] { station_.LeaveSetupField(); };
  const auto enter_setup = [this] { station_.EnterInSingleSetupField(); };

  AddText(p, "Frequency", QRect(8, 40, 90, 20));
  AddField(p, "single.frequency", panel.frequency, QRect(100, 38, 90, kFieldHeight),
           leave_frequency, leave_frequency);
  AddText(p, "MHz", QRect(194, 40, 30, 20));
  AddText(p, "Inc", QRect(330, 40, 24, 20));
  AddField(p, "single.frequency_inc", panel.frequency_inc, QRect(356, 38, 60, kFieldHeight),
           nullptr, nullptr);
  AddText(p, "Level", QRect(8, 72, 90, 20));
  AddField(p, "single.level", panel.level, QRect(100, 70, 90, kFieldHeight), leave_level,
           leave_level);
  AddText(p, "V/m", QRect(194, 72, 30, 20));
  AddText(p, "Inc", QRect(330, 72, 24, 20));
  AddField(p, "single.level_inc", panel.level_inc, QRect(356, 70, 60, kFieldHeight), nullptr,
           nullptr);

  // The four step buttons share one enabled flag.
  struct Step {
    const char* caption;
    int x, y;
    void (station::Station::*handler)();
  };
  for (const Step& step : {Step{"Up", 226, 38, &station::Station::PressFrequencyUp},
                           Step{"Down", 276, 38, &station::Station::PressFrequencyDown},
                           Step{"Up", 226, 70, &station::Station::PressLevelUp},
                           Step{"Down", 276, 70, &station::Station::PressLevelDown}}) {
    auto* button = new QPushButton(step.caption, p);
    button->setGeometry(step.x, step.y, 48, kFieldHeight);
    button->setFocusPolicy(Qt::NoFocus);  // a click must not count as leaving a field
    const auto handler = step.handler;
    connect(button, &QPushButton::clicked, this, [this, handler] {
      Handle([this, handler] {
        if (screen_.single.step_buttons_enabled) (station_.*handler)();
      });
    });
    drawers_.push_back([this, button] { button->setEnabled(screen_.single.step_buttons_enabled); });
  }

  auto* auto_increase = new QCheckBox("Use Auto Increase", p);
  auto_increase->setGeometry(8, 106, 200, 20);
  connect(auto_increase, &QCheckBox::clicked, this, [this](bool checked) {
    Handle([this, checked] {
      screen_.single.auto_increase.checked = checked;
      station_.ClickAutoIncrease(checked);
    });
  });
  drawers_.push_back([this, auto_increase] {
    const QSignalBlocker quiet(auto_increase);
    auto_increase->setChecked(screen_.single.auto_increase.checked);
    auto_increase->setEnabled(screen_.single.auto_increase.enabled);
  });

  int y = 136;
  for (auto [caption, name, field, unit] :
       std::initializer_list<std::tuple<const char*, const char*, screen::Field*, const char*>>{
           {"Start Level", "single.start_level", &panel.start_level, "V/m"},
           {"End Level", "single.end_level", &panel.end_level, "V/m"},
           {"Step Size", "single.step_size", &panel.step_size, "V/m"},
           {"Dwell Time", "single.dwell", &panel.dwell, "Secs"}}) {
    AddText(p, caption, QRect(8, y + 2, 90, 20));
    AddField(p, name, *field, QRect(100, y, 90, kFieldHeight), leave_setup, enter_setup);
    AddText(p, unit, QRect(194, y + 2, 40, 20));
    y += 30;
  }

  auto* stop_on_fault = new QCheckBox("Stop on EUT Fault", p);
  stop_on_fault->setGeometry(8, y + 4, 200, 20);
  connect(stop_on_fault, &QCheckBox::clicked, this, [this](bool checked) {
    Handle([this, checked] {
      screen_.single.stop_on_eut_fault.checked = checked;
      station_.ClickStopOnEutFault(checked);
    });
  });
  drawers_.push_back([this, stop_on_fault] {
    const QSignalBlocker quiet(stop_on_fault);
    stop_on_fault->setChecked(screen_.single.stop_on_eut_fault.checked);
    stop_on_fault->setEnabled(screen_.single.stop_on_eut_fault.enabled);
  });

  AddText(p, "Modulation", QRect(440, 40, 120, 20));
  QComboBox* list = AddList(p, ModulationItems(), QRect(440, 62, 160, kFieldHeight),
                            panel.modulation,
                            [this](int index) { station_.ChooseSingleModulation(index); });
  drawers_.push_back([this, list] { list->setEnabled(screen_.single.modulation_enabled); });
  QLabel* depth = AddLiveText(p, panel.modulation_depth, QRect(440, 90, 200, 20), false);
  drawers_.push_back([this, depth] { SetTextIfChanged(depth, screen_.single.modulation_depth); });

  drawers_.push_back([this] { single_panel_->setVisible(screen_.single.visible); });
}

void MainWindow::BuildSetupPanel(QWidget* client) {
  screen::SetupPanel& panel = screen_.setup;
  setup_panel_ = MakeRegion(client, kWorkArea);
  QFrame* p = setup_panel_;
  QLabel* heading = MakeHeading(p, FromLatin1(panel.heading), QPoint(8, 6));
  heading->setFixedWidth(260);
  drawers_.push_back([this, heading] { SetTextIfChanged(heading, screen_.setup.heading); });

  const std::function<void()> leave = [this] { station_.LeaveSetupField(); };
  const std::function<void()> enter = [this] { station_.EnterInSetupField(); };
  int y = 36;
  for (auto [caption, name, field, unit] :
       std::initializer_list<std::tuple<const char*, const char*, screen::Field*, const char*>>{
           {"Start", "setup.start", &panel.start, "MHz"},
           {"Finish", "setup.finish", &panel.finish, "MHz"},
           {"Step", "setup.step", &panel.step, "%"},
           {"Field", "setup.field", &panel.field, "V/m"},
           {"Dwell Time (secs)", "setup.dwell", &panel.dwell, ""}}) {
    // The scan dwell has no handler of its own: the scan validations read it.
    const bool dwell = field == &panel.dwell;
    AddText(p, caption, QRect(8, y + 2, 110, 20));
    AddField(p, name, *field, QRect(120, y, 90, kFieldHeight), dwell ? nullptr : leave,
             dwell ? nullptr : enter);
    AddText(p, unit, QRect(214, y + 2, 30, 20));
    y += 30;
  }
  AddText(p, "Estimated Time", QRect(8, y + 2, 110, 20));
  EntryField* estimated =
      AddField(p, "setup.estimated_time", panel.estimated_time,
               QRect(120, y, 90, kFieldHeight), leave, nullptr);
  estimated->setReadOnly(true);

  AddText(p, "Modulation", QRect(8, 230, 110, 20));
  AddList(p, ModulationItems(), QRect(120, 228, 150, kFieldHeight), panel.modulation,
          [this](int index) { station_.ChooseSetupModulation(index); });
  QLabel* depth = AddLiveText(p, panel.modulation_depth, QRect(120, 254, 200, 20), false);
  drawers_.push_back([this, depth] { SetTextIfChanged(depth, screen_.setup.modulation_depth); });
  QLabel* procedure = AddLiveText(p, panel.procedure_label, QRect(8, 292, 440, 20), false);
  drawers_.push_back(
      [this, procedure] { SetTextIfChanged(procedure, screen_.setup.procedure_label); });

  AddRadioGroup(p, "Test Type", {"Normal", "Pre-Scanned"}, QRect(290, 28, 150, 66),
                panel.test_type, [this](int index) { station_.ChooseTestType(index); });
  AddRadioGroup(p, "Range", {"30 - 1000 MHz", "1000 -2400 MHz", "30-2400 MHz"},
                QRect(290, 100, 150, 88), panel.range,
                [this](int index) { station_.ChooseRange(index); });
  AddRadioGroup(p, "EUT Status", {"Off", "Halt", "Continue"}, QRect(450, 28, 106, 88),
                panel.eut_status, [this](int index) { station_.ChooseEutStatus(index); });
  AddRadioGroup(p, "EUT Prompt", {"Off", "Pulse", "On"}, QRect(564, 28, 106, 88),
                panel.eut_prompt, [this](int index) { station_.ChooseEutPrompt(index); });

  // The custom grid: row 0 holds the headings, rows 1 to 30 the custom rows.
  custom_grid_ = new CustomTable(static_cast<int>(screen::CustomGrid::kRows), 2, p);
  custom_grid_->setObjectName("custom_grid");
  custom_grid_->setGeometry(450, 124, 222, 190);
  custom_grid_->horizontalHeader()->hide();
  custom_grid_->verticalHeader()->setDefaultSectionSize(18);
  custom_grid_->verticalHeader()->setFixedWidth(26);
  custom_grid_->setColumnWidth(0, 96);
  custom_grid_->setColumnWidth(1, 80);
  // Custom row r is numbered r; the heading row has no number.
  QStringList numbers{QString()};
  for (int row = 1; row < custom_grid_->rowCount(); ++row) numbers << QString::number(row);
  custom_grid_->setVerticalHeaderLabels(numbers);
  for (int row = 0; row < custom_grid_->rowCount(); ++row) {
    for (int column = 0; column < 2; ++column) {
      auto* item = new QTableWidgetItem;
      if (row == 0) item->setFlags(Qt::ItemIsEnabled);
      custom_grid_->setItem(row, column, item);
    }
  }
  custom_grid_->OnLeave = [this] { Handle([this] { station_.LeaveSetupField(); }); };
  connect(custom_grid_, &QTableWidget::cellChanged, this, [this](int row, int column) {
    if (refreshing_) return;
    screen_.setup.custom.cells[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)] =
        ToLatin1(custom_grid_->item(row, column)->text());
  });
  connect(custom_grid_, &QTableWidget::cellPressed, this,
          [this](int, int) { Handle([this] { station_.ClickCustomGrid(); }); });
  // The hint lies over the grid's empty rows, and lets clicks through to the grid.
  QLabel* hint = new QLabel("Use Tab + Alt Tab Keys", p);
  hint->setGeometry(custom_grid_->x() + 30, custom_grid_->y() + 100, 180, 18);
  hint->setAlignment(Qt::AlignCenter);
  hint->setAutoFillBackground(true);
  hint->setFrameShape(QFrame::Box);
  hint->setAttribute(Qt::WA_TransparentForMouseEvents);
  drawers_.push_back([this, hint] {
    const screen::CustomGrid& grid = screen_.setup.custom;
    custom_grid_->setVisible(grid.visible);
    custom_grid_->setEnabled(grid.enabled);
    hint->setVisible(grid.visible && grid.hint_shown);
    for (int row = 0; row < custom_grid_->rowCount(); ++row) {
      for (int column = 0; column < 2; ++column) {
        QTableWidgetItem* item = custom_grid_->item(row, column);
        const QString text = FromLatin1(
            grid.cells[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)]);
        if (item->text() != text) item->setText(text);
      }
    }
  });

  drawers_.push_back([this] { setup_panel_->setVisible(screen_.setup.visible); });
}

void MainWindow::BuildReportPanel(QWidget* client) {
  report_panel_ = MakeRegion(client, kWorkArea);
  QFrame* p = report_panel_;
  graph_box_ = new QLabel(p);
  graph_box_->setObjectName("graph");
  graph_box_->setGeometry(1, 1, 660, 284);
  MakeHeading(p, "REPORT", QPoint(8, 294));

  auto* plot = new QPushButton("Plot Pre-Scan", p);
  plot->setGeometry(80, 290, 110, 24);
  connect(plot, &QPushButton::clicked, this,
          [this] { Handle([this] { station_.PressPlotPreScan(); }); });
  drawers_.push_back([this, plot] {
    plot->setVisible(screen_.plot_prescan_visible);
    plot->setEnabled(screen_.plot_prescan_enabled);
  });

  auto* ranges = new QButtonGroup(this);
  int x = 292;
  int index = 0;
  for (const char* caption : {"30MHz-1.0GHz", "1.0GHz-2.4GHz", "30MHz-2.4GHz"}) {
    auto* button = new QPushButton(caption, p);
    button->setCheckable(true);
    button->setGeometry(x, 290, 126, 24);
    ranges->addButton(button, index++);
    x += 128;
  }
  connect(ranges, &QButtonGroup::idClicked, this,
          [this](int id) { Handle([this, id] { station_.ChooseGraphRange(id); }); });
  drawers_.push_back([this, ranges] {
    for (QAbstractButton* button : ranges->buttons()) {
      button->setVisible(screen_.graph.range_buttons_visible);
    }
    if (QAbstractButton* checked = ranges->button(screen_.graph.range_checked)) {
      const QSignalBlocker quiet(ranges);
      checked->setChecked(true);
    }
  });
  drawers_.push_back([this] { report_panel_->setVisible(screen_.report_visible); });
  // The report panel receiving the focus checks the range button of the range chosen.
  connect(qApp, &QApplication::focusChanged, this, [this](QWidget* old, QWidget* now) {
    const auto inside = [this](QWidget* widget) {
      return widget != nullptr && (widget == report_panel_ || report_panel_->isAncestorOf(widget));
    };
    if (inside(now) && !inside(old)) Handle([this] { station_.FocusReportPanel(); });
  });
}

void MainWindow::BuildMonitor(QWidget* client) {
  screen::Monitor& monitor = screen_.monitor;
  QFrame* m = MakeRegion(client, QRect(108, 356, 680, 108));
  MakeHeading(m, "MONITOR", QPoint(8, 4));
  QLabel* mode = AddLiveText(m, monitor.mode_label, QRect(96, 4, 200, 18), false);
  drawers_.push_back([this, mode] { SetTextIfChanged(mode, screen_.monitor.mode_label); });
  QLabel* file = AddLiveText(m, monitor.file_label, QRect(300, 4, 370, 18), false);
  drawers_.push_back([this, file] { SetTextIfChanged(file, screen_.monitor.file_label); });

  struct Value {
    const char* caption;
    std::string* text;
    int x, y;
    const char* unit;
    int width;
  };
  AddText(m, "Frequency", QRect(8, 28, 100, 18));
  AddText(m, "Elapsed Time", QRect(250, 28, 100, 18));
  AddText(m, "Field Strength", QRect(472, 28, 100, 18));
  for (const Value& value : {Value{"Current", &monitor.frequency, 8, 50, "MHz", 90},
                             Value{"Modulation", &monitor.modulation, 8, 78, "", 140},
                             Value{"Dwell ", &monitor.dwell, 250, 50, "Secs", 80},
                             Value{"Total ", &monitor.total, 250, 78, "", 80},
                             Value{"Target", &monitor.target, 472, 50, "V/M", 80},
                             Value{"Actual", &monitor.actual, 472, 78, "V/M", 80}}) {
    AddText(m, value.caption, QRect(value.x, value.y + 2, 70, 18));
    QLabel* shown =
        AddLiveText(m, *value.text, QRect(value.x + 72, value.y, value.width, kFieldHeight), true);
    shown->setObjectName(QString("monitor.") + value.caption);
    std::string* text = value.text;
    drawers_.push_back([shown, text] { SetTextIfChanged(shown, *text); });
    if (*value.unit) AddText(m, value.unit, QRect(value.x + 76 + value.width, value.y + 2, 34, 18));
  }
}

void MainWindow::BuildButtons(QWidget* client) {
  screen::Buttons& buttons = screen_.buttons;
  QFrame* run = MakeRegion(client, QRect(4, 468, 390, 72));
  AddButton(run, buttons.pre_scan, QRect(4, 4, 189, 30), [this] { station_.PressPreScan(); });
  AddButton(run, buttons.dwell, QRect(197, 4, 189, 30), [this] { station_.PressDwell(); });
  AddButton(run, buttons.run, QRect(4, 38, 189, 30), [this] { station_.PressRun(); });
  AddButton(run, buttons.report_results, QRect(197, 38, 189, 30),
            [this] { station_.PressReportResults(); });
  QFrame* modes = MakeRegion(client, QRect(398, 468, 390, 72));
  AddButton(modes, buttons.standard_scan, QRect(4, 4, 189, 30),
            [this] { station_.PressStandardScan(); });
  AddButton(modes, buttons.custom_scan, QRect(197, 4, 189, 30),
            [this] { station_.PressCustomScan(); });
  AddButton(modes, buttons.single_point, QRect(4, 38, 189, 30),
            [this] { station_.PressSinglePoint(); });
  AddButton(modes, buttons.exit, QRect(197, 38, 189, 30), [this] { close(); });
}

void MainWindow::BuildMenus() {
  QMenuBar* bar = menuBar();
  const auto item = [this](QMenu* menu, const char* caption, std::function<void()> handler) {
    QAction* action = menu->addAction(caption);
    connect(action, &QAction::triggered, this, [this, handler] {
      if (handler) Handle(handler);
    });
    return action;
  };
  station::FileCommands& files = station_.Files();

  QMenu* file = bar->addMenu("&File");
  QMenu* open = file->addMenu("&Open");
  item(open, "&Results + Setup...", [&files] { files.OpenResults(); });
  item(open, "&Setup Only...", [&files] { files.OpenSetup(); });
  item(open, "&Pre-Scans...", [&files] { files.OpenPreScans(); });
  QAction* save_results = item(file, "Save &Results...", [&files] { files.SaveResults(); });
  QMenu* save_as = file->addMenu("&Save As");
  item(save_as, "&Results + Setup...", [&files] { files.SaveAsResults(); });
  item(save_as, "&Setup Only...", [&files] { files.SaveAsSetup(); });
  QAction* save_prescans = item(save_as, "&Pre-Scans...", [&files] { files.SaveAsPreScans(); });
  file->addSeparator();
  QMenu* print = file->addMenu("P&rint");
  item(print, "Plo&t...", [this] { if (hooks_.PrintPlot) hooks_.PrintPlot(); });
  item(print, "&Tabular...", [this] { if (hooks_.PrintTabular) hooks_.PrintTabular(); });
  item(file, "Printer Set&up...", [this] { if (hooks_.PrinterSetup) hooks_.PrinterSetup(); });
  file->addSeparator();
  item(file, "&Title...", [this] { station_.EditTitle(); });
  item(file, "&Notes...", [this] {
    if (hooks_.ShowNotes) hooks_.ShowNotes();
  });
  file->addSeparator();
  item(file, "E&xit", [this] { close(); });

  QMenu* display = bar->addMenu("&Display");
  item(display, "&Settings...", [this] {
    if (hooks_.ShowScreenSettings) hooks_.ShowScreenSettings();
  });
  QAction* clear = item(display, "&Clear", [this] { station_.DisplayClear(); });
  QAction* warnings =
      item(display, "&Show Field Warning Messages", [this] { station_.ToggleFieldWarnings(); });
  warnings->setCheckable(true);

  QMenu* mode = bar->addMenu("&Mode");
  QMenu* iec = mode->addMenu("&IEC Tests...");
  item(iec, "&Domestic + Commercial", [this] { station_.IecDomesticCommercial(); });
  item(iec, "&Industrial", [this] { station_.IecIndustrial(); });
  item(mode, "&Standard Mode", [this] { station_.MenuStandardMode(); });
  item(mode, "Single &Frequency Mode", [this] { station_.MenuSingleFrequencyMode(); });
  item(mode, "&Custom Scan", [this] { station_.MenuCustomScan(); });

  QMenu* configure = bar->addMenu("&Configure");
  QAction* kestrel = item(configure, "&Kestrel Series", [this] { station_.ChooseAmplifierConfig(1); });
  QAction* vantor = item(configure, "&Vantor", [this] { station_.ChooseAmplifierConfig(2); });
  QAction* other = item(configure, "&PA Other", [this] { station_.ChooseAmplifierConfig(0); });
  for (QAction* action : {kestrel, vantor, other}) action->setCheckable(true);
  item(configure, "&Install Cell File...", [this] { station_.InstallCellFile(); });
  item(configure, "&System...", [this] {
    if (hooks_.ShowSystemDetails) hooks_.ShowSystemDetails();
  });

  // The run's own records, beside the menus of old; usable during a run.
  QMenu* records = bar->addMenu("&Records");
  item(records, "Run &Log...", [this] {
    if (hooks_.ShowRunLog) hooks_.ShowRunLog();
  });
  item(records, "EUT &Effects...", [this] {
    if (hooks_.ShowEutEffects) hooks_.ShowEutEffects();
  });
  records->addSeparator();
  QAction* resume = item(records, "&Resume Run", [this] { station_.ResumeRun(); });
  drawers_.push_back([this, resume] { resume->setEnabled(station_.ResumeOffered()); });

  QMenu* help = bar->addMenu("&Help");
  item(help, "&Contents", nullptr);
  item(help, "&Topic Search", nullptr);
  item(help, "&How to Use Help", nullptr);
  help->addSeparator();
  item(help, "&Diagnostics", [this] {
    if (hooks_.ShowDiagnostics) hooks_.ShowDiagnostics();
  });
  help->addSeparator();
  item(help, "&About...", [this] { if (hooks_.ShowAbout) hooks_.ShowAbout(); });

  drawers_.push_back([this, open, save_results, save_prescans, clear, warnings, mode, kestrel,
                      vantor, other] {
    const screen::Menus& menus = screen_.menus;
    open->setEnabled(menus.open_enabled);
    save_results->setEnabled(menus.save_results_enabled);
    save_prescans->setEnabled(menus.save_as_prescans_enabled);
    clear->setEnabled(menus.clear_enabled);
    warnings->setChecked(menus.show_field_warnings);
    mode->setEnabled(menus.mode_enabled);
    mode->menuAction()->setEnabled(menus.mode_enabled);
    kestrel->setChecked(menus.amplifier_checked == 1);
    vantor->setChecked(menus.amplifier_checked == 2);
    other->setChecked(menus.amplifier_checked == 0);
  });
}

void MainWindow::BuildSplash() {
  auto* splash = new QWidget(nullptr, Qt::SplashScreen | Qt::WindowStaysOnTopHint);
  splash->setObjectName("splash");
  splash->setWindowTitle(FromLatin1(screen_.splash.caption));
  auto* layout = new QVBoxLayout(splash);
  auto* caption = new QLabel(FromLatin1(screen_.splash.caption), splash);
  QFont bold = caption->font();
  bold.setBold(true);
  caption->setFont(bold);
  layout->addWidget(caption);
  layout->addWidget(new QLabel(FromLatin1(screen_.splash.text), splash));
  splash->setFixedSize(360, 90);
  splash_ = splash;
  drawers_.push_back([this] {
    if (!splash_) return;
    if (splash_->isVisible() == screen_.splash.visible) return;
    if (screen_.splash.visible) {
      splash_->move(geometry().center() - splash_->rect().center());
      splash_->show();
      splash_->raise();
    } else {
      splash_->hide();
    }
  });
}

QPushButton* MainWindow::AddButton(QWidget* parent, screen::Button& button, QRect place,
                                   std::function<void()> handler) {
  auto* widget = new QPushButton(FromLatin1(button.caption), parent);
  widget->setObjectName(FromLatin1(button.caption));
  widget->setGeometry(place);
  widget->setFocusPolicy(Qt::NoFocus);
  connect(widget, &QPushButton::clicked, this, [this, handler] { Handle(handler); });
  drawers_.push_back([widget, &button] {
    const QString caption = FromLatin1(button.caption);
    if (widget->text() != caption) widget->setText(caption);
    widget->setEnabled(button.enabled);
    widget->setVisible(button.visible);
  });
  return widget;
}

EntryField* MainWindow::AddField(QWidget* parent, const QString& name, screen::Field& field,
                                 QRect place, std::function<void()> on_leave,
                                 std::function<void()> on_enter) {
  auto* edit = new EntryField(parent);
  edit->setObjectName(name);
  edit->setGeometry(place);
  edit->setText(FromLatin1(field.text));
  connect(edit, &QLineEdit::textEdited, this,
          [&field](const QString& text) { field.text = ToLatin1(text); });
  if (on_leave) edit->OnLeave = [this, on_leave] { Handle(on_leave); };
  if (on_enter) {
    connect(edit, &QLineEdit::returnPressed, this, [this, on_enter] { Handle(on_enter); });
  }
  fields_.emplace_back(name, edit);
  drawers_.push_back([edit, &field] {
    SetTextIfChanged(edit, field.text);
    edit->setEnabled(field.enabled);
  });
  return edit;
}

QLabel* MainWindow::AddText(QWidget* parent, const std::string& text, QRect place) {
  auto* label = new QLabel(FromLatin1(text), parent);
  label->setGeometry(place);
  return label;
}

QLabel* MainWindow::AddLiveText(QWidget* parent, const std::string& text, QRect place,
                                bool boxed) {
  QLabel* label = AddText(parent, text, place);
  if (boxed) {
    label->setFrameShape(QFrame::Panel);
    label->setFrameShadow(QFrame::Sunken);
    label->setAutoFillBackground(true);
    label->setBackgroundRole(QPalette::Base);
    label->setIndent(3);
  }
  return label;
}

QButtonGroup* MainWindow::AddRadioGroup(QWidget* parent, const QString& title,
                                        const QStringList& items, QRect place,
                                        screen::Choice& choice, std::function<void(int)> handler) {
  auto* box = new QGroupBox(title, parent);
  box->setObjectName(title);
  box->setGeometry(place);
  auto* group = new QButtonGroup(box);
  auto* layout = new QVBoxLayout(box);
  layout->setContentsMargins(6, 2, 6, 2);
  layout->setSpacing(0);
  for (int i = 0; i < items.size(); ++i) {
    auto* radio = new QRadioButton(items[i], box);
    radio->setFocusPolicy(Qt::NoFocus);
    group->addButton(radio, i);
    layout->addWidget(radio);
  }
  connect(group, &QButtonGroup::idClicked, this,
          [this, handler](int id) { Handle([handler, id] { handler(id); }); });
  drawers_.push_back([box, group, &choice] {
    box->setEnabled(choice.enabled);
    const QSignalBlocker quiet(group);
    if (QAbstractButton* chosen = group->button(choice.index)) {
      chosen->setChecked(true);
    } else if (QAbstractButton* checked = group->checkedButton()) {
      group->setExclusive(false);
      checked->setChecked(false);
      group->setExclusive(true);
    }
  });
  return group;
}

QComboBox* MainWindow::AddList(QWidget* parent, const QStringList& items, QRect place,
                               screen::Choice& choice, std::function<void(int)> handler) {
  auto* list = new QComboBox(parent);
  list->setGeometry(place);
  list->addItems(items);
  list->setFocusPolicy(Qt::NoFocus);
  connect(list, QOverload<int>::of(&QComboBox::activated), this,
          [this, handler](int index) { Handle([handler, index] { handler(index); }); });
  drawers_.push_back([list, &choice] {
    const QSignalBlocker quiet(list);
    if (list->currentIndex() != choice.index) list->setCurrentIndex(choice.index);
  });
  return list;
}

// --- drawing and events

void MainWindow::Handle(const std::function<void()>& handler) {
  handler();
  Refresh();
}

void MainWindow::Refresh() {
  if (refreshing_) return;
  refreshing_ = true;
  // Every paint of the window sets its caption from the caption text; Qt paints it far
  // more often than the core asks, so once shown it follows the caption text.
  const QString caption =
      FromLatin1(isVisible() && !screen_.caption.empty() ? screen_.caption : screen_.window_caption);
  if (windowTitle() != caption) setWindowTitle(caption);
  for (const auto& draw : drawers_) draw();
  RefreshGraph();
  refreshing_ = false;
}

void MainWindow::RefreshGraph() {
  if (screen_.graph.redraws == graph_drawn_at_ || !hooks_.DrawGraph) return;
  graph_drawn_at_ = screen_.graph.redraws;
  graph_box_->setPixmap(QPixmap::fromImage(hooks_.DrawGraph()));
}

void MainWindow::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  Handle([this] { station_.Paint(); });
}

void MainWindow::changeEvent(QEvent* event) {
  QMainWindow::changeEvent(event);
  if (event->type() == QEvent::ActivationChange && isActiveWindow()) {
    Handle([this] {
      station_.Activate();
      station_.Paint();
    });
  }
}

void MainWindow::closeEvent(QCloseEvent* event) {
  if (station_.Closed() || (hooks_.EndingWithoutQuestion && hooks_.EndingWithoutQuestion())) {
    event->accept();
    return;
  }
  if (!station_.RequestClose()) {
    event->ignore();
    Refresh();
    return;
  }
  // During a run the closing steps follow the sequencer's return, which then quits.
  if (station_.Closed()) {
    event->accept();
  } else {
    event->ignore();
  }
  Refresh();
}

QPushButton* MainWindow::ButtonNamed(const QString& caption) const {
  for (QPushButton* button : findChildren<QPushButton*>()) {
    if (button->text() == caption) return button;
  }
  return nullptr;
}

QAction* MainWindow::MenuAction(const QString& path) const {
  const QStringList parts = path.split('/');
  QList<QAction*> actions = menuBar()->actions();
  QAction* found = nullptr;
  for (const QString& part : parts) {
    found = nullptr;
    for (QAction* action : actions) {
      if (action->text() == part) {
        found = action;
        break;
      }
    }
    if (!found) return nullptr;
    actions = found->menu() ? found->menu()->actions() : QList<QAction*>{};
  }
  return found;
}

Lamp* MainWindow::LampNamed(const QString& caption) const {
  for (const auto& [name, lamp] : lamps_) {
    if (name == caption) return lamp;
  }
  return nullptr;
}

EntryField* MainWindow::FieldNamed(const QString& name) const {
  for (const auto& [field_name, field] : fields_) {
    if (field_name == name) return field;
  }
  return nullptr;
}

QLabel* MainWindow::ClockBox() const { return clock_; }

}  // namespace tarvos::ui
