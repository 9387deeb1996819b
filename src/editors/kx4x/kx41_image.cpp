// The 194-byte KX-41 configuration image.
#include "editors/kx4x/kx41_layout.h"

namespace {

using F = TImageField<TKX41Data>;
using C = TKX41Config;

constexpr F kFields[] = {
    F::Text(0, 6, KX_REF(Pin), "PIN"),
    F::Count8(6, KX_REF(Try), C::kTryRange),
    F::Text(7, 16, KX_REF(Phone[0]), "Телефон ПЦН 1"),
    F::Text(23, 16, KX_REF(Phone[1]), "Телефон ПЦН 2"),
    F::Text(39, 16, KX_REF(Phone[2]), "Телефон ПЦН 3"),
    F::Text(55, 16, KX_REF(Phone[3]), "Телефон ПЦН 4"),
    F::Reserved(71, 1),
    F::Count16(72, KX_REF(Period), C::kPeriodRange),
    F::Flag(74, KX_REF(E000)),
    F::ApnTriple(75, 50, KX_REF(Apn), KX_REF(Gprs), "APN, пользователь и пароль"),
    F::Text(125, 16, KX_REF(Ip[0]), "IP 1"),
    F::Text(141, 16, KX_REF(Ip[1]), "IP 2"),
    F::Text(157, 16, KX_REF(Ip[2]), "IP 3"),
    F::Count8(173, KX_REF(GprsTry), C::kGprsTryRange),
    F::Count16(174, KX_REF(GprsPeriod), C::kGprsPeriodRange),
    F::Reserved(176, 1),
    F::Flag(177, KX_REF(Power)),
    F::Flag(178, KX_REF(Shleif1)),
    F::Flag(179, KX_REF(Shleif2)),
    F::Flag(180, KX_REF(VUser)),
    F::Flag(181, KX_REF(Remote)),
    F::Reserved(182, 12),
};

constexpr TImageLayout<TKX41Data> kLayout{C::kImageSize, kFields};
static_assert(kLayout.Tiles(), "KX-41 image rows must cover the 194 bytes once, in order");

}  // namespace

const TImageLayout<TKX41Data>& KX41ImageLayout() {
  return kLayout;
}
