// TfrmMain: the main window and connection controller. It owns the port, the
// exchange thread, the three queues and the current editor frame, runs the
// 200 ms reply dispatcher and shows every message through IPrompts.
#pragma once

#include <QIcon>
#include <QString>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "editors/editor_select.h"
#include "link/ring.h"
#include "link/serial_port.h"
#include "link/thread_com.h"

class IKXConfig;
class IPrompts;
class QAction;
class QGroupBox;
class QLabel;
class QMenu;
class QPushButton;
class QTimer;
class QToolButton;
class TEditorFrame;
class TfrmLogin;

enum TLinkState : std::uint8_t {
  lsDisconnected = 0,
  lsConnecting = 1,
  lsAwaitingLogin = 2,
  lsLoggedIn = 3,
};

// Names of the ports a device can be on ("ttyACM0", "/dev/pts/7").
using TPortLister = std::function<std::vector<std::string>()>;

// Makes the editor frame for a kind (CreateEditorFrame unless a test puts in its own).
using TEditorFactory = std::function<TEditorFrame*(TEditorKind, QWidget*, IPrompts&)>;

class TfrmMain : public QWidget {
  Q_OBJECT
 public:
  // `prompts` null: real boxes and dialogs on the screen. `portLister` empty:
  // EnumVirtualComPorts. `editorFactory` empty: CreateEditorFrame.
  explicit TfrmMain(IPrompts* prompts = nullptr, TPortLister portLister = {},
                    TEditorFactory editorFactory = {}, QWidget* parent = nullptr);
  ~TfrmMain() override;

  // Controls, named as the technician's manual names them.
  QWidget* pnl1;
  QLabel* lbl1;
  QToolButton* btnConnect;
  QMenu* pmSerialPort;
  QToolButton* btnUsb;
  QToolButton* btnTCP;
  QGroupBox* grpConfig;
  QPushButton* btnImport;
  QPushButton* btnExport;
  QPushButton* btnConfigRead;
  QPushButton* btnConfigSave;
  QPushButton* btnFlash;
  QPushButton* btnChangePass;
  QWidget* pnlKX;
  QWidget* pnlKXTitle;
  QLabel* lblVersion;
  QTimer* tmrRefresh;

  void SendCommand(const std::string& text);
  void SetLinkState(TLinkState state);
  void SendLogin(const QString& password);

  void btnConnectClick();
  void mniSerialPortClick(QAction* item);
  void tmrRefreshTimer();
  void btnChangePassClick();
  void btnFlashClick();
  void btnConfigReadClick();
  void btnConfigSaveClick();
  void btnImportClick();
  void btnExportClick();
  void SetGID();
  void SelectDeviceEditor(const std::string& hw, const std::string& sw);

  // One reply of the exchange thread, as the timer tick hands it on.
  void DispatchReply(const std::string& reply);

  // State, for the title strip and for tests.
  TLinkState LinkState() const { return FLinkState; }
  TEditorFrame* Editor() const { return FEditor; }
  IKXConfig* Config() const { return FConfig; }
  TfrmLogin* LoginDialog() const { return FLoginDialog; }
  const std::string& HwVersion() const { return FHwVersion; }
  const std::string& SwVersion() const { return FSwVersion; }
  const QString& DeviceTitle() const { return FDeviceTitle; }
  const std::string& SavedJson() const { return FSavedJson; }
  const QString& Password() const { return FPassword; }
  const std::string& PortName() const { return FPortName; }
  bool IsSerialOpen() const { return FComThread != nullptr; }
  bool IsSaveTinted() const { return FSaveTinted; }

  static QIcon Picture(int index);

 protected:
  void closeEvent(QCloseEvent* event) override;  // FormCloseQuery, then FormClose
  void changeEvent(QEvent* event) override;      // FormActivate

 private:
  void BuildControls();
  void OpenSerialConnection(const std::string& name);
  void Disconnect();
  void CloseSerialConnection();
  bool IsUnsaved();
  void SetSaveTint(bool tinted);
  void OnVersionReply(const std::string& reply);
  void OnProducerReply(const std::string& reply);
  void OnLoginReply(const std::string& reply);
  void OnConfigReply(const std::string& reply);
  void ShowGid(const std::string& hex);

  std::unique_ptr<IPrompts> FOwnPrompts;
  IPrompts* FPrompts;
  TPortLister FPortLister;
  TEditorFactory FEditorFactory;

  TEditorFrame* FEditor = nullptr;
  IKXConfig* FConfig = nullptr;
  TPortHandle FComHandle = kInvalidPortHandle;
  std::unique_ptr<TThreadCom> FComThread;
  std::unique_ptr<TRing> FTxQueue;
  std::unique_ptr<TRing> FRxQueue;
  std::unique_ptr<TRing> FKeyQueue;
  TLinkState FLinkState = lsDisconnected;
  QString FPassword;
  std::string FPortName;
  std::string FSavedJson;
  std::string FProducerId;
  std::int64_t FNextGid = 779LL << 32;
  QString FDeviceTitle;
  std::string FHwVersion;
  std::string FSwVersion;

  TfrmLogin* FLoginDialog = nullptr;
  bool FSaveTinted = false;
};
