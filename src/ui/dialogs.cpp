#include "ui/dialogs.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QButtonGroup>
#include <QTextCursor>
#include <QVBoxLayout>
#include <algorithm>

#include "ui/latin1.h"
#include "ui/program_icon.h"
#include "ui/widgets.h"

namespace tarvos::ui {
namespace {

void SetTextIfChanged(QLabel* label, const std::string& text) {
  const QString shown = FromLatin1(text);
  if (label->text() != shown) label->setText(shown);
}

void SetTextIfChanged(QLineEdit* edit, const std::string& text) {
  const QString shown = FromLatin1(text);
  if (edit->text() != shown) edit->setText(shown);
}

constexpr int kAboutPictureSize = 64;

// Bytes shown as "XX," per byte: 16 to a line.
constexpr int kByteBoxLineChars = 16 * 3;

QString ByteBoxLines(const QString& text) {
  QStringList lines;
  for (int at = 0; at < text.size(); at += kByteBoxLineChars) {
    lines << text.mid(at, kByteBoxLineChars);
  }
  return lines.join(QLatin1Char('\n'));
}

}  // namespace

// --- notes

NotesDialog::NotesDialog(station::Station& station, QWidget* parent)
    : QDialog(parent), station_(station) {
  setModal(true);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(new QLabel("Enter notes here", this));
  text_ = new QPlainTextEdit(this);
  text_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  text_->setMinimumSize(420, 180);
  layout->addWidget(text_);
  connect(text_, &QPlainTextEdit::textChanged, this, [this] {
    const std::string edited = ToLatin1(text_->toPlainText());
    station_.EditNotes(edited);
    const std::string& held = station_.Screen().notes.text;
    if (edited == held) return;
    // A refused edit (past the box's limit) puts the held text back, with the caret where
    // it stood before the keys that were refused.
    const int grown = static_cast<int>(edited.size()) - static_cast<int>(held.size());
    const int caret = text_->textCursor().position() - std::max(grown, 0);
    Refresh(std::clamp(caret, 0, static_cast<int>(held.size())));
  });
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  AddButton(this, buttons, "Clear", [this] {
    station_.ClearNotes();
    Refresh(0);
  });
  AddButton(this, buttons, "Exit", [this] {
    exited_ = true;
    station_.ExitNotes();
    accept();
  });
  layout->addLayout(buttons);
}

void NotesDialog::Refresh(int caret) {
  const QString text = FromLatin1(station_.Screen().notes.text);
  const QSignalBlocker quiet(text_);
  if (text_->toPlainText() != text) text_->setPlainText(text);
  QTextCursor cursor = text_->textCursor();
  cursor.setPosition(std::clamp(caret, 0, static_cast<int>(text.size())));
  text_->setTextCursor(cursor);
}

void NotesDialog::Run() {
  exited_ = false;
  station_.OpenNotes();
  setWindowTitle(FromLatin1(station_.Screen().notes.caption));
  Refresh(0);  // typing starts on line 1
  exec();
  if (!exited_) station_.CloseNotes();
}

// --- screen settings

ScreenSettingsDialog::ScreenSettingsDialog(station::Station& station,
                                           std::function<void()> repaint, QWidget* parent)
    : QDialog(parent), station_(station), repaint_(std::move(repaint)) {
  setModal(true);
  auto* layout = new QVBoxLayout(this);
  auto* colours = new QGridLayout;
  using station::ScreenColour;
  const std::pair<const char*, ScreenColour> buttons[] = {
      {"Grid", ScreenColour::Grid},         {"Border", ScreenColour::Border},
      {"EUT OK", ScreenColour::EutOk},      {"EUT Fail", ScreenColour::EutFail},
      {"Set Point", ScreenColour::SetPoint}, {"Achieved", ScreenColour::Achieved},
      {"Pre-Scan", ScreenColour::PreScan}};
  int index = 0;
  for (const auto& [caption, which] : buttons) {
    auto* button = new QPushButton(caption, this);
    button->setAutoDefault(false);
    const ScreenColour colour = which;
    connect(button, &QPushButton::clicked, this, [this, colour] {
      station_.ChooseScreenColour(colour);
      repaint_();
    });
    colours->addWidget(button, index / 4, index % 4);
    ++index;
  }
  auto* defaults = new QPushButton("Default", this);
  defaults->setAutoDefault(false);
  connect(defaults, &QPushButton::clicked, this, [this] {
    station_.DefaultScreenColours();
    repaint_();
  });
  colours->addWidget(defaults, 1, 3);
  layout->addLayout(colours);

  auto* range = new QHBoxLayout;
  range->addWidget(new QLabel("Grid Range (V/m)", this));
  grid_range_ = new QLineEdit(this);
  grid_range_->setFixedWidth(80);
  connect(grid_range_, &QLineEdit::textEdited, this, [this](const QString& text) {
    station_.Screen().screen_settings.grid_range = ToLatin1(text);
  });
  range->addWidget(grid_range_);
  range->addStretch();
  auto* accept_button = new QPushButton("Accept", this);
  accept_button->setAutoDefault(false);
  connect(accept_button, &QPushButton::clicked, this, [this] {
    accepted_ = true;
    station_.AcceptScreenSettings();
    accept();
  });
  range->addWidget(accept_button);
  layout->addLayout(range);
}

void ScreenSettingsDialog::Run() {
  accepted_ = false;
  station_.OpenScreenSettings();
  const screen::ScreenSettingsDialog& shown = station_.Screen().screen_settings;
  setWindowTitle(FromLatin1(shown.caption));
  grid_range_->setText(FromLatin1(shown.grid_range));
  exec();
  if (!accepted_) station_.CloseScreenSettings();
}

// --- about

AboutDialog::AboutDialog(station::Station& station, QWidget* parent)
    : QDialog(parent), station_(station) {
  setModal(true);
  auto* layout = new QVBoxLayout(this);
  auto* heading = new QHBoxLayout;
  picture_ = new QLabel(this);
  picture_->setObjectName("about_picture");
  picture_->setPixmap(ProgramPicture(kAboutPictureSize));
  picture_->setFixedSize(kAboutPictureSize, kAboutPictureSize);
  heading->addWidget(picture_);
  auto* product = new QLabel("Tarvos\nRF radiated-immunity test control", this);
  QFont bold = product->font();
  bold.setBold(true);
  product->setFont(bold);
  heading->addWidget(product, 1);
  layout->addLayout(heading);
  software_ = new QLabel(this);
  hardware_ = new QLabel(this);
  salvo_ = new QLabel(this);
  for (QLabel* label : {software_, hardware_, salvo_}) layout->addWidget(label);
  layout->addWidget(new QLabel("Brevant Instruments Ltd\nTest and measurement systems", this));
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  AddButton(this, buttons, "Back", [this] { accept(); });
  layout->addLayout(buttons);
}

void AboutDialog::Run() {
  station_.OpenAbout();
  const screen::AboutDialog& about = station_.Screen().about;
  setWindowTitle(FromLatin1(about.caption));
  SetTextIfChanged(software_, about.software_version);
  SetTextIfChanged(hardware_, about.hardware_version);
  SetTextIfChanged(salvo_, about.salvo_hardware_version);
  exec();
  station_.CloseAbout();
}

// --- diagnostics

DiagnosticsWindow::DiagnosticsWindow(station::Station& station, QWidget* parent)
    : QWidget(parent, Qt::Window), station_(station) {
  auto* layout = new QVBoxLayout(this);
  auto* values = new QGridLayout;
  const screen::DiagnosticsWindow& diagnostics = station.Screen().diagnostics;
  int row = 0;
  auto live = [&](const char* caption, const std::string& text) {
    values->addWidget(new QLabel(caption, this), row, 0);
    auto* label = new QLabel(this);
    label->setFrameShape(QFrame::Panel);
    label->setFrameShadow(QFrame::Sunken);
    label->setMinimumWidth(200);
    values->addWidget(label, row, 1);
    ++row;
    drawers_.push_back([label, &text] { SetTextIfChanged(label, text); });
  };
  live("TX String", diagnostics.tx_string);
  live("", diagnostics.dac_value);
  live("", diagnostics.probe_value);
  live("", diagnostics.status);
  live("", diagnostics.pre_scan);
  live("", diagnostics.phase);
  live("", diagnostics.cell_drive);
  layout->addLayout(values);
  list_ = new QListWidget(this);
  list_->setMinimumSize(320, 260);
  layout->addWidget(list_);
  auto* buttons = new QHBoxLayout;
  AddButton(this, buttons, "Hide", [this] {
    station_.HideDiagnostics();
    Refresh();
  });
  AddButton(this, buttons, "Clear List", [this] {
    station_.ClearDiagnosticsList();
    Refresh();
  });
  AddButton(this, buttons, "Save List", [this] {
    station_.SaveDiagnosticsList();
    Refresh();
  });
  layout->addLayout(buttons);
}

void DiagnosticsWindow::Refresh() {
  const screen::DiagnosticsWindow& diagnostics = station_.Screen().diagnostics;
  if (isVisible() != diagnostics.visible) {
    setWindowTitle(FromLatin1(diagnostics.caption));
    setVisible(diagnostics.visible);
  }
  if (!diagnostics.visible) return;
  for (const auto& draw : drawers_) draw();
  // The list is redrawn only when it changed: a run sends many commands a second.
  const std::string first = diagnostics.messages.empty() ? "" : diagnostics.messages.front();
  if (diagnostics.messages.size() == shown_messages_ && first == shown_first_) return;
  shown_messages_ = diagnostics.messages.size();
  shown_first_ = first;
  list_->clear();
  for (const std::string& message : diagnostics.messages) list_->addItem(FromLatin1(message));
}

void DiagnosticsWindow::closeEvent(QCloseEvent* event) {
  station_.HideDiagnostics();
  QWidget::closeEvent(event);
}

// --- the engineer's test form

TestFormWindow::TestFormWindow(station::Station& station, QWidget* parent)
    : QDialog(parent), station_(station) {
  setModal(true);
  screen::TestForm& form = station.Screen().test_form;
  setWindowTitle(FromLatin1(form.caption));
  auto* layout = new QGridLayout(this);

  const auto field = [this](QWidget* parent_widget, screen::Field& shown) {
    auto* edit = new QLineEdit(parent_widget);
    edit->setFixedWidth(90);
    connect(edit, &QLineEdit::textEdited, this,
            [&shown](const QString& text) { shown.text = ToLatin1(text); });
    drawers_.push_back([edit, &shown] { SetTextIfChanged(edit, shown.text); });
    return edit;
  };
  const auto label = [this](QWidget* parent_widget, const std::string& text) {
    auto* shown = new QLabel(parent_widget);
    drawers_.push_back([shown, &text] { SetTextIfChanged(shown, text); });
    return shown;
  };
  // 32 bytes read, as two monospaced lines of 16 in a box of fixed size, so that a read
  // never widens the form.
  const auto byte_box = [this](QWidget* parent_widget, const std::string& text) {
    auto* shown = new QLabel(parent_widget);
    shown->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    shown->setTextFormat(Qt::PlainText);
    const QFontMetrics metrics(shown->font());
    const QString widest(kByteBoxLineChars, QLatin1Char('F'));
    shown->setFixedSize(metrics.horizontalAdvance(widest) + 4, metrics.lineSpacing() * 2 + 4);
    drawers_.push_back([shown, &text] {
      const QString lines = ByteBoxLines(FromLatin1(text));
      if (shown->text() != lines) shown->setText(lines);
    });
    return shown;
  };
  const auto button = [this](QWidget* parent_widget, const char* caption,
                             std::function<void()> handler) {
    auto* widget = new QPushButton(caption, parent_widget);
    widget->setAutoDefault(false);
    connect(widget, &QPushButton::clicked, this, [this, handler] { Handle(handler); });
    return widget;
  };

  // Output lines and their lamps.
  auto* lines = new QGroupBox("Output Lines", this);
  auto* lines_layout = new QGridLayout(lines);
  struct Line {
    const char* caption;
    int line;
    screen::LampColour* lamp;
  };
  int row = 0;
  for (const Line& line : {Line{"Range 0", 9, &form.range0}, Line{"Range 1", 10, &form.range1},
                           Line{"Modulation 1KHz", 11, &form.modulation_1k},
                           Line{"PLL Switch", 0, &form.pll_switch},
                           Line{"EUT Prompt", 12, &form.eut_prompt}}) {
    const int number = line.line;
    lines_layout->addWidget(
        button(lines, line.caption, [this, number] { station_.TestFormToggleLine(number); }), row,
        0);
    auto* lamp = new Lamp(lines);
    lines_layout->addWidget(lamp, row, 1);
    screen::LampColour* colour = line.lamp;
    drawers_.push_back([lamp, colour] { lamp->SetColour(*colour); });
    ++row;
  }
  for (auto [caption, colour] : std::initializer_list<std::pair<const char*, screen::LampColour*>>{
           {"EUT Status", &form.eut_status}, {"PA Status", &form.pa_status}}) {
    lines_layout->addWidget(new QLabel(caption, lines), row, 0);
    auto* lamp = new Lamp(lines);
    lines_layout->addWidget(lamp, row, 1);
    drawers_.push_back([lamp, colour = colour] { lamp->SetColour(*colour); });
    ++row;
  }
  lines_layout->addWidget(button(lines, "Force Read", [this] { station_.TestFormForceRead(); }),
                          row, 0);
  layout->addWidget(lines, 0, 0, 2, 1);

  // Synthesiser.
  auto* synth = new QGroupBox("Synthesiser", this);
  auto* synth_layout = new QGridLayout(synth);
  synth_layout->addWidget(button(synth, "Set Frequency", [this] { station_.TestFormSetFrequency(); }), 0, 0);
  synth_layout->addWidget(field(synth, form.frequency), 0, 1);
  synth_layout->addWidget(new QLabel("MHz", synth), 0, 2);
  synth_layout->addWidget(button(synth, "Set Amplitude", [this] { station_.TestFormSetAmplitude(); }), 1, 0);
  synth_layout->addWidget(field(synth, form.amplitude), 1, 1);
  synth_layout->addWidget(button(synth, "Reset", [this] { station_.TestFormReset(); }), 2, 0);
  synth_layout->addWidget(new QLabel("Probe Range", synth), 3, 0);
  synth_layout->addWidget(field(synth, form.probe_range), 3, 1);
  synth_layout->addWidget(new QLabel("Probe Offset", synth), 4, 0);
  synth_layout->addWidget(field(synth, form.probe_offset), 4, 1);
  layout->addWidget(synth, 0, 1);

  // PLL counters.
  auto* pll = new QGroupBox("PLL", this);
  auto* pll_layout = new QGridLayout(pll);
  pll_layout->addWidget(new QLabel("Frequency MHz", pll), 0, 0);
  pll_layout->addWidget(field(pll, form.pll_frequency), 0, 1);
  pll_layout->addWidget(button(pll, "Calculate", [this] { station_.TestFormCalculate(); }), 0, 2);
  pll_layout->addWidget(new QLabel("N Counter", pll), 1, 0);
  pll_layout->addWidget(field(pll, form.n_counter), 1, 1);
  pll_layout->addWidget(new QLabel("R Counter", pll), 2, 0);
  pll_layout->addWidget(field(pll, form.r_counter), 2, 1);
  pll_layout->addWidget(
      button(pll, "I2C Transmit Packet", [this] { station_.TestFormTransmitPacket(); }), 2, 2);
  layout->addWidget(pll, 1, 1);

  // Raw I2C.
  auto* raw = new QGroupBox("I2C", this);
  auto* raw_layout = new QGridLayout(raw);
  raw_layout->addWidget(label(raw, form.slave_address), 0, 0, 1, 3);
  strings_ = new QComboBox(raw);
  strings_->setEditable(true);
  strings_->setMinimumWidth(200);
  connect(strings_, &QComboBox::editTextChanged, this, [this](const QString& text) {
    station_.Screen().test_form.i2c_string.text = ToLatin1(text);
  });
  raw_layout->addWidget(strings_, 1, 0, 1, 2);
  raw_layout->addWidget(button(raw, "Send I2C String", [this] { station_.TestFormSendString(); }), 1, 2);
  raw_layout->addWidget(label(raw, form.response), 2, 0, 1, 3);
  raw_layout->addWidget(button(raw, "I2C Read", [this] { station_.TestFormRead(); }), 3, 0);
  raw_layout->addWidget(label(raw, form.handle_label), 3, 1);
  raw_layout->addWidget(label(raw, form.bytes_read), 3, 2);
  // Each data box under its caption, across the group, so that the form stays narrow.
  raw_layout->addWidget(new QLabel("0-31", raw), 4, 0);
  raw_layout->addWidget(byte_box(raw, form.data_low), 5, 0, 1, 3);
  raw_layout->addWidget(new QLabel("32-63", raw), 6, 0);
  raw_layout->addWidget(byte_box(raw, form.data_high), 7, 0, 1, 3);
  raw_layout->addWidget(
      button(raw, "Read 1000 times", [this] { station_.TestFormReadRepeatedly(); }), 8, 0);
  raw_layout->addWidget(label(raw, form.read_time), 8, 1, 1, 2);
  layout->addWidget(raw, 0, 2, 2, 1);

  // Devices.
  auto* devices = new QGroupBox("Device", this);
  auto* devices_layout = new QGridLayout(devices);
  auto* group = new QButtonGroup(devices);
  int index = 0;
  for (const char* caption : {"Tarvos", "Salvo"}) {
    auto* radio = new QRadioButton(caption, devices);
    group->addButton(radio, index);
    devices_layout->addWidget(radio, 0, index);
    ++index;
  }
  connect(group, &QButtonGroup::idClicked, this,
          [this](int id) { Handle([this, id] { station_.TestFormChooseDevice(id); }); });
  drawers_.push_back([group, &form] {
    const QSignalBlocker quiet(group);
    if (QAbstractButton* chosen = group->button(form.device.index)) chosen->setChecked(true);
  });
  devices_layout->addWidget(
      button(devices, "Enumerate all USB Devices", [this] { station_.TestFormEnumerate(); }), 1, 0,
      1, 2);
  devices_layout->addWidget(new QLabel("delay Ticks", devices), 2, 0);
  devices_layout->addWidget(field(devices, form.delay_ticks), 2, 1);
  devices_layout->addWidget(label(devices, form.counter), 3, 0, 1, 2);
  layout->addWidget(devices, 2, 0, 1, 2);

  auto* back = button(this, "Back", [this] { station_.TestFormBack(); });
  layout->addWidget(back, 2, 2, Qt::AlignRight | Qt::AlignBottom);
}

void TestFormWindow::Handle(const std::function<void()>& handler) {
  handler();
  Refresh();
}

void TestFormWindow::Refresh() {
  const screen::TestForm& form = station_.Screen().test_form;
  for (const auto& draw : drawers_) draw();
  // The recent strings, without disturbing the text being typed.
  QStringList items;
  for (const std::string& text : form.recent_strings) items << FromLatin1(text);
  QStringList shown;
  for (int i = 0; i < strings_->count(); ++i) shown << strings_->itemText(i);
  if (items != shown) {
    const QSignalBlocker quiet(strings_);
    const QString typed = strings_->currentText();
    strings_->clear();
    strings_->addItems(items);
    strings_->setEditText(typed);
  }
  if (!form.visible && isVisible() && !closing_) {
    closing_ = true;
    accept();
    closing_ = false;
  }
}

void TestFormWindow::Run() {
  station_.OpenTestForm();
  Refresh();
  exec();
  // Closed by the window's close box or Escape rather than "Back".
  if (station_.Screen().test_form.visible) station_.CloseTestForm();
}

}  // namespace tarvos::ui
