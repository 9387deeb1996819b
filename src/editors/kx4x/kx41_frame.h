// TfrmKX41: the editor frame of the KX-41 with firmware 0.x to 2.x.
#pragma once

#include "editors/editor_frame.h"
#include "editors/kx4x/kx41_config.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QTabWidget;

class TfrmKX41 : public TEditorFrame {
  Q_OBJECT
 public:
  TfrmKX41(QWidget* owner, IPrompts& prompts);

  void Init(int variant) override;
  void FromDevice(const std::string& image) override;
  std::string ToDevice() override;
  bool FromJson(const std::string& text) override;
  std::string ToJson() override;
  void KeyEvent(const std::string& notification) override;

  const TKX41Config& Model() const { return FModel; }

  QTabWidget* pgcMain;
  QWidget* tabParams;

  QGroupBox* grpCommon;
  QPushButton* btnChangePin;
  QCheckBox* chbRemote;
  QCheckBox* chbGPRS;

  QGroupBox* grpControl;
  QCheckBox* chbShleif1;
  QCheckBox* chbShleif2;
  QCheckBox* chbPower;

  QGroupBox* grpVoice;
  QLabel* lblPeriod;
  QSpinBox* spnPeriod;
  QLabel* lblPeriodUnit;
  QLabel* lblTry;
  QSpinBox* spnTry;
  QCheckBox* chbVUser;
  QCheckBox* chbE000;
  QGroupBox* grpPhones;
  QLabel* lblPhone1;
  QLineEdit* edtPhone1;
  QLabel* lblPhone2;
  QLineEdit* edtPhone2;
  QLabel* lblPhone3;
  QLineEdit* edtPhone3;
  QLabel* lblPhone4;
  QLineEdit* edtPhone4;

  QGroupBox* grpGPRS;
  QLabel* lblGprsPeriod;
  QSpinBox* spnGprsPeriod;
  QLabel* lblGprsPeriodUnit;
  QLabel* lblGprsTry;
  QSpinBox* spnGprsTry;
  QLabel* lblAPN;
  QLineEdit* edtAPN;
  QLabel* lblAPNUser;
  QLineEdit* edtAPNUser;
  QLabel* lblAPNPass;
  QLineEdit* edtAPNPass;
  QGroupBox* grpIP;
  QLabel* lblIP1;
  QLineEdit* edtIP1;
  QLabel* lblIP2;
  QLineEdit* edtIP2;
  QLabel* lblIP3;
  QLineEdit* edtIP3;

  // The GPRS rule; also the handler of clicks on chbGPRS.
  void chbGPRSClick();
  void btnChangePinClick();

 private:
  void BuildControls();
  void BindControls();
  // Writes the model into the controls without their change signals.
  void ShowModel();
  // Keeps a typed text that Windows-1251 cannot hold visible as it will be
  // stored ("?"), so the edit never shows what the device will not get.
  void ReadText(QLineEdit* edit, std::string& field);

  IPrompts& FPrompts;
  TKX41Config FModel;
};
