// The members of a KX-41 configuration file, in the order they are written.
#include "editors/kx4x/kx41_layout.h"

namespace {

using J = TJsonField<TKX41Data>;
using C = TKX41Config;
using TText = TRef<TKX41Data, std::string>;
using TFlag = TRef<TKX41Data, bool>;

constexpr TText kPhones[] = {KX_REF(Phone[0]), KX_REF(Phone[1]), KX_REF(Phone[2]),
                             KX_REF(Phone[3])};
constexpr TText kIps[] = {KX_REF(Ip[0]), KX_REF(Ip[1]), KX_REF(Ip[2])};
constexpr TFlag kShleifs[] = {KX_REF(Shleif1), KX_REF(Shleif2)};

constexpr J kFields[] = {
    J::Pin("pin", KX_REF(Pin)),
    J::Apn("apn", KX_REF(Apn), KX_REF(Gprs)),
    J::StringArray("phone", kPhones),
    J::StringArray("ip", kIps),
    J::Int("period", KX_REF(Period), C::kPeriodRange),
    J::Int("gperiod", KX_REF(GprsPeriod), C::kGprsPeriodRange),
    J::Int("gtry", KX_REF(GprsTry), C::kGprsTryRange),
    J::Int("try", KX_REF(Try), C::kTryRange),
    J::Bool("e000", KX_REF(E000)),
    J::Bool("power", KX_REF(Power)),
    J::BoolArray("shleif", kShleifs),
    J::Bool("vuser", KX_REF(VUser)),
    J::Bool("remote", KX_REF(Remote)),
};

constexpr TJsonLayout<TKX41Data> kLayout{kFields};

}  // namespace

const TJsonLayout<TKX41Data>& KX41JsonLayout() {
  return kLayout;
}
