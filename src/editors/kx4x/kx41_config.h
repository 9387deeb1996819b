// KX-41 (hardware 9.x, firmware 0.x to 2.x): the configuration model.
// Data and rules; the image and file layouts live in kx41_image.cpp and
// kx41_json.cpp as descriptor tables.
#pragma once

#include <array>
#include <string>

#include "editors/field_types.h"
#include "editors/kx_config.h"

struct TKX41Data {
  std::string Pin = "9072";         // SIM PIN, Windows-1251; no control shows it
  std::array<std::string, 4> Phone;  // monitoring-station phones
  std::array<std::string, 3> Ip;     // server addresses; the third cannot be typed
  TApnTriple Apn;                    // APN, user, password
  bool Gprs = false;
  bool Remote = false;
  bool Shleif1 = true;
  bool Shleif2 = true;
  bool Power = false;
  bool VUser = true;
  bool E000 = true;
  int Period = 4;      // hours
  int Try = 3;         // voice-channel attempts
  int GprsPeriod = 2;  // minutes
  int GprsTry = 2;
};

class TKX41Config : public IKXConfig {
 public:
  static constexpr std::size_t kImageSize = 194;
  static constexpr TSpinRange kPeriodRange{1, 24};
  static constexpr TSpinRange kTryRange{2, 5};
  static constexpr TSpinRange kGprsPeriodRange{0, 120};
  static constexpr TSpinRange kGprsTryRange{1, 5};

  void Init(int variant) override;
  void FromDevice(const std::string& image) override;
  std::string ToDevice() override;
  bool FromJson(const std::string& text) override;
  std::string ToJson() override;
  void KeyEvent(const std::string&) override {}

  TKX41Data& Data() { return FData; }
  const TKX41Data& Data() const { return FData; }

  // GPRS rule: the GPRS period, attempts, APN triple and the first two
  // addresses are editable exactly while GPRS is ticked.
  bool GprsControlsEnabled() const { return FData.Gprs; }

 private:
  TKX41Data FData;
};
