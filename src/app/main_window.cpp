#include "app/main_window.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFile>
#include <QFileInfo>
#include <QGraphicsDropShadowEffect>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTimer>
#include <QToolButton>
#include <algorithm>
#include <stdexcept>

#include "app/login_dialog.h"
#include "app/new_pass_dialog.h"
#include "app/prompts.h"
#include "app/set_gid_dialog.h"
#include "editors/config_file.h"
#include "editors/cp1251.h"
#include "editors/editor_frame.h"
#include "editors/editor_select.h"
#include "editors/kx_config.h"
#include "link/codec.h"

namespace {

// The window's own texts.
namespace txt {
const char* const Connect = "Подключить";
const char* const Disconnect = "Отключить";
const char* const NoCable = "Кабель не подключен!";
const char* const PortOpenFailed = "Ошиба открытия порта!";
const char* const ErrorCaption = "Error";
const char* const WrongPassword = "Неверный пароль!";
const char* const UnsavedCaption = "Конфигурация не записана";
const char* const SaveQuestion = "Сохранить конфигурацию ?";
const char* const ExitQuestion = "Вы уверены что хотите выйти без сохранения конфигурации ?";
const char* const NewPassCaption = "Новый пароль доступа";
const char* const ConfigWritten = "Конфигурация записана успешно!";
const char* const ConfigWriteError = "Ошибка записи конфигурации ";
const char* const ConfigRead = "Конфигурация прочитана успешно!";
const char* const ConfigReadErrorCaption = "Ошибка";
const char* const ConfigReadError = "Ошибка чтения конфигурации !";
const char* const BadFileFormat = "Формат файла конфигурации неверный!";
const char* const OtherDevice = "Конфигурация предназначена для другого устройства!";
const char* const OtherFirmware =
    "Версия ПО не соотвествует версии конфигурации, Все равно загрузить конфигурационный файл ?";
const char* const LoadFailed = "Ошибка загрузки конфигурации!";
const char* const ConfirmCaption = "Подтверждение";
const char* const Overwrite = "Файл уже существует, переписать?";
const char* const NothingToSave = "Нет конфигурации для сохранения.";
const char* const NoEditorForFile =
    "Для этого прибора нет редактора конфигурации. Конфигурация не загружена.";
const char* const CfgFilter = "Конфигурационный файл (*.cfg)";
const char* const SaveTitle = "Сохранить конфигурацию в файл";
const char* const OpenTitle = "Открыть конфигурацию из файла";
const char* const GidWritten = "GID записан успешно!";
const char* const GidWriteError = "Ошибка записи GID!";
const char* const ShortVersionReply = "Неполный ответ прибора о версии.";
const char* const FlashUnavailable = "Смена прошивки в этой версии программы недоступна.";
}  // namespace txt

QString U(const char* text) {
  return QString::fromUtf8(text);
}
QString U(const std::string& text) {
  return QString::fromStdString(text);
}

const char* const kDefaultPassword = "9072";
const std::string kVersionReply = "<version><version>";
const std::string kProducerReply = "<producer><producer>";
const std::string kConfigReply = "<config><config>";
const std::string kConfigError = "<config><error>";
constexpr std::size_t kMaxDetail = 100;
constexpr int kRingCapacity = 10000;
constexpr int kBaud = 38400;

bool StartsWith(const std::string& text, const std::string& prefix) {
  return text.compare(0, prefix.size(), prefix) == 0;
}

// A panel button: picture on the left, its text left-aligned beside it and
// wrapped onto a second line when it does not fit.
class TPanelButton : public QPushButton {
 public:
  TPanelButton(const QString& text, QWidget* parent) : QPushButton(text, parent) {}

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    option.text.clear();
    option.icon = QIcon();
    style()->drawControl(QStyle::CE_PushButton, &option, &painter, this);
    const QSize picture = iconSize();
    const int top = (height() - picture.height()) / 2;
    const QIcon::Mode mode = isEnabled() ? QIcon::Normal : QIcon::Disabled;
    painter.drawPixmap(6, top, icon().pixmap(picture, mode));
    const QRect textRect(6 + picture.width() + 6, 2, width() - picture.width() - 16, height() - 4);
    painter.setPen(
        palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::ButtonText));
    painter.drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap, text());
  }
};

// Stops the refresh timer while a handler shows boxes or dialogs, so that no
// tick (and no second disconnect) runs inside them.
class TTickPause {
 public:
  explicit TTickPause(QTimer* timer) : FTimer(timer), FWasActive(timer->isActive()) {
    FTimer->stop();
  }
  ~TTickPause() {
    if (FWasActive) FTimer->start();
  }

 private:
  QTimer* FTimer;
  bool FWasActive;
};

QLabel* ShadowLabel(const QString& text, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  QFont font("Tahoma");
  font.setPixelSize(16);
  label->setFont(font);
  QPalette palette = label->palette();
  palette.setColor(QPalette::WindowText, Qt::black);
  label->setPalette(palette);
  auto* shadow = new QGraphicsDropShadowEffect(label);
  shadow->setOffset(1, 1);
  shadow->setBlurRadius(2);
  shadow->setColor(QColor(0, 0, 0, 90));
  label->setGraphicsEffect(shadow);
  return label;
}

}  // namespace

namespace {

QIcon StandardPicture(int index) {
  QStyle* style = QApplication::style();
  switch (index) {
    case 0:  // read from the device
      return style->standardIcon(QStyle::SP_ArrowDown);
    case 3:  // write to the device
      return style->standardIcon(QStyle::SP_ArrowUp);
    case 4:  // save to a file
      return style->standardIcon(QStyle::SP_DialogSaveButton);
    case 5:  // open a file
      return style->standardIcon(QStyle::SP_DialogOpenButton);
    case 6:  // firmware
      return style->standardIcon(QStyle::SP_DriveHDIcon);
    case 7:  // access password
      return style->standardIcon(QStyle::SP_FileDialogDetailedView);
    case 9:  // not logged in
      return style->standardIcon(QStyle::SP_DriveNetIcon);
    case 10:  // logged in
      return style->standardIcon(QStyle::SP_DialogApplyButton);
    default:
      return {};
  }
}

}  // namespace

// Every picture at 32 x 32: some standard icons come only in smaller sizes.
QIcon TfrmMain::Picture(int index) {
  const QIcon icon = StandardPicture(index);
  if (icon.isNull()) return icon;
  const QSize size(32, 32);
  QPixmap pixmap = icon.pixmap(size);
  if (pixmap.size() != size)
    pixmap = pixmap.scaled(size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
  return QIcon(pixmap);
}

TfrmMain::TfrmMain(IPrompts* prompts, TPortLister portLister, TEditorFactory editorFactory,
                   QWidget* parent)
    : QWidget(parent),
      FPortLister(std::move(portLister)),
      FEditorFactory(std::move(editorFactory)) {
  if (prompts == nullptr) {
    FOwnPrompts = std::make_unique<TScreenPrompts>(this);
    prompts = FOwnPrompts.get();
  }
  FPrompts = prompts;
  if (!FPortLister) FPortLister = [] { return EnumVirtualComPorts(); };
  if (!FEditorFactory) FEditorFactory = CreateEditorFrame;

  BuildControls();

  // Start from a state other than disconnected so the disconnected column is applied.
  FLinkState = lsAwaitingLogin;
  SetLinkState(lsDisconnected);
  tmrRefresh->start();
}

TfrmMain::~TfrmMain() {
  tmrRefresh->stop();
  delete FLoginDialog;
  FLoginDialog = nullptr;
  CloseSerialConnection();
  FConfig = nullptr;
  delete FEditor;
  FEditor = nullptr;
}

void TfrmMain::BuildControls() {
  setObjectName("frmMain");
  setWindowTitle(U(kAppTitle));
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
  setFixedSize(621, 546);
  QFont font("Tahoma");
  font.setPixelSize(11);
  setFont(font);

  pnl1 = new QWidget(this);
  pnl1->setObjectName("pnl1");
  pnl1->setGeometry(0, 0, 177, 546);
  pnl1->setAutoFillBackground(true);
  QPalette side = pnl1->palette();
  side.setColor(QPalette::Window, side.color(QPalette::Window).darker(106));
  pnl1->setPalette(side);

  lbl1 = ShadowLabel(U("Конфигуратор KX"), pnl1);
  lbl1->setObjectName("lbl1");
  lbl1->move(17, 9);
  lbl1->adjustSize();

  const QSize picture(32, 32);
  btnConnect = new QToolButton(pnl1);
  btnConnect->setObjectName("btnConnect");
  btnConnect->setGeometry(8, 56, 125, 41);
  btnConnect->setCheckable(true);
  btnConnect->setText(U(txt::Connect));
  btnConnect->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  btnConnect->setIconSize(picture);
  connect(btnConnect, &QToolButton::clicked, this, &TfrmMain::btnConnectClick);

  pmSerialPort = new QMenu(this);
  pmSerialPort->setObjectName("pmSerialPort");
  pmSerialPort->addAction("SerialPort")->setObjectName("mniSerialPort");
  connect(pmSerialPort, &QMenu::triggered, this, &TfrmMain::mniSerialPortClick);
  // A menu dismissed without a choice leaves the button released again; a
  // chosen port presses it when it opens.
  connect(pmSerialPort, &QMenu::aboutToHide, this, [this] {
    if (FComThread == nullptr) btnConnect->setChecked(false);
  });

  btnUsb = new QToolButton(pnl1);
  btnUsb->setObjectName("btnUsb");
  btnUsb->setGeometry(136, 56, 33, 20);
  btnUsb->setText("USB");
  btnUsb->setCheckable(true);
  btnUsb->setChecked(true);
  // The only transport there is: it stays down.
  connect(btnUsb, &QToolButton::toggled, btnUsb, [this](bool on) {
    if (!on) btnUsb->setChecked(true);
  });

  btnTCP = new QToolButton(pnl1);
  btnTCP->setObjectName("btnTCP");
  btnTCP->setGeometry(136, 78, 33, 19);
  btnTCP->setText("IP");
  btnTCP->setCheckable(true);
  btnTCP->setEnabled(false);

  grpConfig = new QGroupBox(U("Конфигурация"), pnl1);
  grpConfig->setObjectName("grpConfig");
  grpConfig->setGeometry(8, 112, 161, 217);

  auto panelButton = [&](QWidget* parent, const char* name, const char* text, const char* hint,
                         int pictureIndex, QRect geometry) {
    auto* button = new TPanelButton(U(text), parent);
    button->setObjectName(name);
    button->setToolTip(U(hint));
    button->setIcon(Picture(pictureIndex));
    button->setIconSize(picture);
    button->setGeometry(geometry);
    return button;
  };
  btnImport = panelButton(grpConfig, "btnImport", "Открыть из файла",
                          "Открыть конфигурацию из файла", 5, {8, 24, 145, 41});
  btnImport->setFlat(true);
  btnExport = panelButton(grpConfig, "btnExport", "Сохранить в файл ",
                          "Сохранить конфигурацию в файл", 4, {8, 72, 145, 41});
  btnExport->setEnabled(false);
  btnConfigRead = panelButton(grpConfig, "btnConfigRead", "Прочитать из устройства",
                              "Прочитать конфигурацию из устройства", 0, {8, 120, 145, 41});
  btnConfigRead->setFlat(true);
  btnConfigSave = panelButton(grpConfig, "btnConfigSave", "Записать в устройство",
                              "Записать конфигурацию в устройство", 3, {8, 168, 145, 41});
  btnFlash = panelButton(pnl1, "btnFlash", "Сменить прошивку устройства",
                         "Записать встроенное программное обеспечение ", 6, {8, 336, 161, 41});
  btnChangePass = panelButton(pnl1, "btnChangePass", "Изменить пароль доступа",
                              "Сменить пароль для авторизации ", 7, {8, 384, 161, 41});

  connect(btnImport, &QPushButton::clicked, this, &TfrmMain::btnImportClick);
  connect(btnExport, &QPushButton::clicked, this, &TfrmMain::btnExportClick);
  connect(btnConfigRead, &QPushButton::clicked, this, &TfrmMain::btnConfigReadClick);
  connect(btnConfigSave, &QPushButton::clicked, this, &TfrmMain::btnConfigSaveClick);
  connect(btnChangePass, &QPushButton::clicked, this, &TfrmMain::btnChangePassClick);
  connect(btnFlash, &QPushButton::clicked, this, &TfrmMain::btnFlashClick);

  pnlKX = new QWidget(this);
  pnlKX->setObjectName("pnlKX");
  pnlKX->setGeometry(177, 0, 621 - 177, 546);
  pnlKXTitle = new QWidget(pnlKX);
  pnlKXTitle->setObjectName("pnlKXTitle");
  pnlKXTitle->setGeometry(0, 0, pnlKX->width(), 41);
  lblVersion = ShadowLabel(U("Прибор"), pnlKXTitle);
  lblVersion->setObjectName("lblVersion");
  lblVersion->setGeometry(8, 0, pnlKXTitle->width() - 16, 41);
  lblVersion->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);

  tmrRefresh = new QTimer(this);
  tmrRefresh->setObjectName("tmrRefresh");
  tmrRefresh->setInterval(200);
  connect(tmrRefresh, &QTimer::timeout, this, &TfrmMain::tmrRefreshTimer);
}

void TfrmMain::SendCommand(const std::string& text) {
  // Without a connection there is no one to send to.
  if (FTxQueue) FTxQueue->Push(text);
}

void TfrmMain::SendLogin(const QString& password) {
  FPassword = password;
  SendCommand(TextFrame("login", Utf8ToCp1251(password.toStdString())));
}

void TfrmMain::SetLinkState(TLinkState state) {
  if (FLinkState == lsAwaitingLogin && state == lsAwaitingLogin && FLoginDialog != nullptr) {
    FLoginDialog->show();
    FLoginDialog->raise();
    FLoginDialog->activateWindow();
  }
  if (state == FLinkState) return;

  const bool loggedIn = state == lsLoggedIn;
  btnConnect->setIcon(Picture(loggedIn ? 10 : 9));
  btnFlash->setEnabled(loggedIn && !StartsWith(FHwVersion, "5"));
  btnConfigRead->setEnabled(loggedIn && FConfig != nullptr);
  btnConfigSave->setEnabled(loggedIn && FConfig != nullptr);
  btnChangePass->setEnabled(loggedIn);
  btnTCP->setEnabled(false);
  btnUsb->setEnabled(state == lsDisconnected);

  if (state == lsAwaitingLogin) {
    if (FLoginDialog == nullptr) {
      FLoginDialog = new TfrmLogin(this, [this](const QString& password) { SendLogin(password); });
      CentreOnShow(*FLoginDialog, this);
    }
    SendLogin(U(kDefaultPassword));
  } else if (loggedIn && FHwVersion == "9.10") {
    SendCommand("<producer<?>>");
  }

  if (state != lsAwaitingLogin && FLoginDialog != nullptr) {
    delete FLoginDialog;
    FLoginDialog = nullptr;
  }
  FLinkState = state;
}

void TfrmMain::btnConnectClick() {
  if (FLinkState != lsDisconnected) {
    Disconnect();
    return;
  }
  const std::vector<std::string> ports = FPortLister();
  if (ports.empty()) {
    btnConnect->setChecked(false);
    TTickPause pause(tmrRefresh);
    FPrompts->Error(U(txt::ErrorCaption), U(txt::NoCable));
    return;
  }
  pmSerialPort->clear();
  for (const std::string& name : ports) pmSerialPort->addAction(U(name));
  if (ports.size() == 1) {
    mniSerialPortClick(pmSerialPort->actions().front());
    return;
  }
  pmSerialPort->popup(btnConnect->mapToGlobal(btnConnect->rect().bottomLeft()));
}

void TfrmMain::mniSerialPortClick(QAction* item) {
  if (item == nullptr || FLinkState != lsDisconnected) return;
  OpenSerialConnection(item->text().toStdString());
}

void TfrmMain::OpenSerialConnection(const std::string& name) {
  std::string reason;
  if (OpenSerialPort(PortDevicePath(name), FComHandle, kBaud, &reason)) {
    FPortName = name;
    FTxQueue = std::make_unique<TRing>(kRingCapacity);
    FRxQueue = std::make_unique<TRing>(kRingCapacity);
    FKeyQueue = std::make_unique<TRing>(kRingCapacity);
    FComThread = std::make_unique<TThreadCom>(FComHandle, *FTxQueue, *FRxQueue, *FKeyQueue);
    btnConnect->setChecked(true);
    btnConnect->setText(U(txt::Disconnect));
    SetLinkState(lsConnecting);
    return;
  }
  btnConnect->setChecked(false);
  if (FComHandle != kInvalidPortHandle) CloseSerialPort(FComHandle);
  FComHandle = kInvalidPortHandle;
  // The system's reason (a missing permission, a port taken by another
  // program) goes on a second line: it tells the technician what to fix.
  QString text = U(txt::PortOpenFailed);
  if (!reason.empty()) text += "\n" + U(reason);
  TTickPause pause(tmrRefresh);
  FPrompts->Error(U(txt::ErrorCaption), text);
}

void TfrmMain::Disconnect() {
  {
    TTickPause pause(tmrRefresh);
    if (IsUnsaved() && FPrompts->Confirm(U(txt::UnsavedCaption), U(txt::SaveQuestion)))
      btnExportClick();
  }
  SetLinkState(lsDisconnected);
  CloseSerialConnection();
  btnConnect->setText(U(txt::Connect));
  btnConnect->setChecked(false);
}

void TfrmMain::CloseSerialConnection() {
  if (FComThread) {
    FComThread->Terminate();
    FComThread->WaitFor();
    FComThread.reset();
  }
  if (FComHandle != kInvalidPortHandle) CloseSerialPort(FComHandle);
  FComHandle = kInvalidPortHandle;
  // The queues go only after the thread that used them has ended.
  FTxQueue.reset();
  FRxQueue.reset();
  FKeyQueue.reset();
}

bool TfrmMain::IsUnsaved() {
  return FConfig != nullptr && FConfig->ToJson() != FSavedJson;
}

void TfrmMain::SetSaveTint(bool tinted) {
  if (tinted == FSaveTinted) return;
  FSaveTinted = tinted;
  btnConfigSave->setStyleSheet(
      tinted ? "QPushButton { background-color: #ffc76b; border: 1px solid #c88a1e;"
               " border-radius: 3px; }"
             : "");
}

void TfrmMain::tmrRefreshTimer() {
  tmrRefresh->stop();

  if (FLinkState == lsConnecting && FComThread) {
    const std::vector<std::string> ports = FPortLister();
    if (std::find(ports.begin(), ports.end(), FPortName) == ports.end()) Disconnect();
  }

  if (FComThread && FLinkState != lsDisconnected) {
    while (FRxQueue && !FRxQueue->IsEmpty()) {
      const std::string reply = FRxQueue->Pop();
      // One reply that cannot be handled must not stop the ones after it.
      try {
        DispatchReply(reply);
      } catch (const std::exception& error) {
        FPrompts->Error({}, QString::fromUtf8(error.what()));
      }
    }
    while (FKeyQueue && !FKeyQueue->IsEmpty()) {
      const std::string notification = FKeyQueue->Pop();
      if (FLinkState != lsLoggedIn || FConfig == nullptr) continue;
      try {
        FConfig->KeyEvent(notification);
      } catch (const std::exception& error) {
        FPrompts->Error({}, QString::fromUtf8(error.what()));
      }
    }
  }

  SetSaveTint(btnConfigSave->isEnabled() && IsUnsaved());
  tmrRefresh->start();
}

void TfrmMain::DispatchReply(const std::string& reply) {
  if (StartsWith(reply, kVersionReply)) {
    OnVersionReply(reply);
  } else if (StartsWith(reply, "<producer>")) {
    OnProducerReply(reply);
  } else if (reply == "timeout") {
    SetLinkState(lsConnecting);
  } else {
    if (StartsWith(reply, "<login>")) OnLoginReply(reply);
    if (StartsWith(reply, "<config>")) OnConfigReply(reply);
  }
}

void TfrmMain::OnVersionReply(const std::string& reply) {
  if (FLinkState == lsConnecting) SetLinkState(lsAwaitingLogin);
  const std::string bytes = reply.substr(kVersionReply.size());
  if (bytes.size() < 4) throw std::runtime_error(txt::ShortVersionReply);
  const TVersions versions = VersionsFromReport(bytes);
  SelectDeviceEditor(versions.Hw, versions.Sw);
}

void TfrmMain::OnLoginReply(const std::string& reply) {
  if (StartsWith(reply, "<login><ok>")) {
    SetLinkState(lsLoggedIn);
  } else if (StartsWith(reply, "<login><error>")) {
    if (FLoginDialog != nullptr && FLoginDialog->isVisible())
      FPrompts->Plain(U(txt::WrongPassword));
    SetLinkState(lsAwaitingLogin);
  }
}

void TfrmMain::SelectDeviceEditor(const std::string& hw, const std::string& sw) {
  const bool same =
      !FHwVersion.empty() && FHwVersion == hw && !FSwVersion.empty() && FSwVersion == sw;
  if (!same) {
    if (FEditor != nullptr) {
      FConfig = nullptr;
      delete FEditor;
      FEditor = nullptr;
    }
    FHwVersion = hw;
    FSwVersion = sw;
    FDeviceTitle = U(::DeviceTitle(hw, sw));
    lblVersion->setText(FDeviceTitle);

    const TEditorChoice choice = ChooseEditor(hw, sw);
    if (TEditorFrame* frame = FEditorFactory(choice.Kind, this, *FPrompts)) {
      frame->setParent(pnlKX);
      frame->setGeometry(0, pnlKXTitle->height(), pnlKX->width(),
                         pnlKX->height() - pnlKXTitle->height());
      FEditor = frame;
      FConfig = frame;
      frame->show();
      frame->Init(choice.Variant);
    }
    const bool on = FConfig != nullptr && FLinkState == lsLoggedIn;
    btnConfigRead->setEnabled(on);
    btnConfigSave->setEnabled(on);
  }
  btnExport->setEnabled(true);
}

void TfrmMain::OnProducerReply(const std::string& reply) {
  if (StartsWith(reply, kProducerReply)) {
    FProducerId = reply.substr(kProducerReply.size(), kMaxDetail);
    if (FLinkState == lsConnecting) SetLinkState(lsAwaitingLogin);
    if (FHwVersion != "9.10") return;
    const std::string hex = HexEncode(std::string_view(FProducerId).substr(0, 6));
    const unsigned long long value = hex.empty() ? 0 : std::stoull(hex, nullptr, 16);
    if (value != 0)
      ShowGid(hex);
    else
      SetGID();
  } else if (StartsWith(reply, "<producer><ok>")) {
    SendCommand("<producer<?>>");
    FPrompts->Plain(U(txt::GidWritten));
  } else if (StartsWith(reply, "<producer><error>")) {
    FPrompts->Plain(U(txt::GidWriteError));
  }
}

void TfrmMain::ShowGid(const std::string& hex) {
  QString text = lblVersion->text();
  const qsizetype at = text.indexOf("GID");
  if (at < 0)
    text += " GID " + U(hex);
  else
    text = text.left(at + 4) + U(hex);
  lblVersion->setText(text);
}

void TfrmMain::SetGID() {
  TTickPause pause(tmrRefresh);
  TfrmSetGID dialog(this);
  dialog.edtGID->setText(
      QString("%1").arg(static_cast<qulonglong>(FNextGid + 1), 12, 16, QChar('0')).toUpper());
  if (FPrompts->Exec(dialog) != QDialog::Accepted) return;
  const QString entered = dialog.edtGID->text();
  if (!GidOkEnabled(entered)) return;
  FNextGid = static_cast<std::int64_t>(entered.toULongLong(nullptr, 16));
  SendCommand(BinaryFrame("producer", HexDecode(entered.toStdString())));
}

// Firmware replacement is not part of this version yet; the button says so
// rather than doing nothing.
void TfrmMain::btnFlashClick() {
  TTickPause pause(tmrRefresh);
  FPrompts->Information(QString(), U(txt::FlashUnavailable));
}

void TfrmMain::btnChangePassClick() {
  if (FLinkState != lsLoggedIn) return;
  TTickPause pause(tmrRefresh);
  TfrmNewPass dialog(this);
  dialog.setWindowTitle(U(txt::NewPassCaption));
  dialog.FCurrPass = FPassword;
  dialog.FExactLen = 0;
  dialog.FMaxLen = 8;
  dialog.edtCurrPass->clear();
  dialog.edtNewPass->clear();
  dialog.edtNewPassCheck->clear();
  if (FPrompts->Exec(dialog) != QDialog::Accepted) return;
  const QString password = dialog.edtNewPass->text();
  std::string bytes;
  std::string problem;
  if (!DevicePassword(password.toStdString(), bytes, problem)) {
    FPrompts->Error(QString(), QString::fromStdString(problem));
    return;
  }
  SendCommand(TextFrame("password", bytes));
  FPassword = password;
}

void TfrmMain::btnConfigReadClick() {
  if (FConfig == nullptr) return;
  SendCommand("<config<?>>");
}

void TfrmMain::btnConfigSaveClick() {
  if (FConfig == nullptr) return;
  std::string frame;
  try {
    frame = ConfigWriteFrame(FConfig->ToDevice());
  } catch (const std::exception& error) {
    // Nothing goes to the device when the image cannot be built whole.
    TTickPause pause(tmrRefresh);
    FPrompts->Error({}, QString::fromUtf8(error.what()));
    return;
  }
  SendCommand(frame);
}

void TfrmMain::OnConfigReply(const std::string& reply) {
  // Without an editor there is nothing to fill or to mark as stored.
  if (FConfig == nullptr) return;
  if (StartsWith(reply, "<config><ok>")) {
    FSavedJson = FConfig->ToJson();
    FPrompts->Plain(U(txt::ConfigWritten));
  } else if (StartsWith(reply, kConfigError)) {
    const std::string detail = Cp1251ToUtf8(reply.substr(kConfigError.size(), kMaxDetail));
    FPrompts->Plain(U(txt::ConfigWriteError) + U(detail) + " !");
  } else if (StartsWith(reply, kConfigReply)) {
    try {
      FConfig->FromDevice(reply.substr(kConfigReply.size()));
    } catch (const std::exception&) {
      FPrompts->Error(U(txt::ConfigReadErrorCaption), U(txt::ConfigReadError));
      return;
    }
    FPrompts->Plain(U(txt::ConfigRead));
    FSavedJson = FConfig->ToJson();
  }
}

void TfrmMain::btnExportClick() {
  TTickPause pause(tmrRefresh);
  if (FConfig == nullptr) {
    FPrompts->Information({}, U(txt::NothingToSave));
    return;
  }
  const QString chosen = FPrompts->SaveFileName(U(txt::SaveTitle), U(txt::CfgFilter), "cfg");
  if (chosen.isEmpty()) return;
  const std::string path = ConfigFileName(QFile::encodeName(chosen).toStdString());
  if (QFileInfo::exists(QFile::decodeName(path.c_str())) &&
      !FPrompts->Confirm(U(txt::ConfirmCaption), U(txt::Overwrite)))
    return;
  const std::string json = FConfig->ToJson();
  std::string error;
  if (!WriteFileAtomically(path, RenderConfigFile(json, {FHwVersion, FSwVersion}), error)) {
    FPrompts->Error({}, U(error));
    return;
  }
  FSavedJson = json;
}

void TfrmMain::btnImportClick() {
  TTickPause pause(tmrRefresh);
  if (IsUnsaved() && FPrompts->Confirm(U(txt::UnsavedCaption), U(txt::SaveQuestion)))
    btnExportClick();
  const QString chosen = FPrompts->OpenFileName(U(txt::OpenTitle), U(txt::CfgFilter), "cfg");
  if (chosen.isEmpty()) return;
  std::string text;
  std::string error;
  if (!ReadWholeFile(QFile::encodeName(chosen).toStdString(), text, error)) {
    FPrompts->Error({}, U(error));
    return;
  }
  const TVersions file = ReadFileVersions(text);
  const bool deviceAnswered = FLinkState == lsAwaitingLogin || FLinkState == lsLoggedIn;
  if (!deviceAnswered && !file.Hw.empty() && !file.Sw.empty()) SelectDeviceEditor(file.Hw, file.Sw);

  if (file.Hw.empty() || file.Sw.empty()) {
    FPrompts->Plain(U(txt::BadFileFormat));
  } else if (file.Hw != FHwVersion) {
    FPrompts->Plain(U(txt::OtherDevice));
  } else if (FConfig == nullptr) {
    FPrompts->Information({}, U(txt::NoEditorForFile));
  } else if (FSwVersion == "0.0" || file.Sw == FSwVersion || !deviceAnswered ||
             FPrompts->Confirm(U(txt::ConfirmCaption), U(txt::OtherFirmware))) {
    const std::string backup = FConfig->ToJson();
    if (!FConfig->FromJson(text)) {
      FPrompts->Plain(U(txt::LoadFailed));
      FConfig->FromJson(backup);
    }
  }
  if (FConfig != nullptr) FSavedJson = FConfig->ToJson();
}

void TfrmMain::closeEvent(QCloseEvent* event) {
  TTickPause pause(tmrRefresh);
  if (IsUnsaved() && !FPrompts->Confirm(U(txt::UnsavedCaption), U(txt::ExitQuestion))) {
    event->ignore();
    return;
  }
  if (FLinkState != lsDisconnected) Disconnect();
  event->accept();
}

void TfrmMain::changeEvent(QEvent* event) {
  if (event->type() == QEvent::ActivationChange && isActiveWindow() && FLoginDialog != nullptr &&
      FLoginDialog->isVisible())
    FLoginDialog->raise();
  QWidget::changeEvent(event);
}
