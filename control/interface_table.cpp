#include "control/interface_table.h"

#include "control/UsrKeloScroll.h"
#include "host/dispatch.h"
#include "host/error.h"

namespace keloscroll {

using host::Variant;

namespace {

// Help texts, in Italian, exactly as the property browser shows them (the one of RefreshMsecGD
// was stored cut off in the middle of a word, and is shown so).
constexpr std::string_view kHelpVerticalBar =
    "Se True \u00e9 orientata verticalmente, se False \u00e9 orientata orizzontalmente";
constexpr std::string_view kHelpMax =
    "Numero di elementi totali a cui si riferisce la KeloScroll ( da 1 a 999.999.999 )";
constexpr std::string_view kHelpLargeChange =
    "Numero di elementi contenuti in ogni pagina, quando si clicca sulla KeloScroll o si usano i "
    "tasti PgUp e PgDn varia la posizione di NumElementiPagina elementi";
constexpr std::string_view kHelpValue = "Valore su cui \u00e9 posizionata la KeloScroll";
constexpr std::string_view kHelpDescription =
    "Descrizione prelevata dall'ultimo evento GetDescription";
constexpr std::string_view kHelpRefreshMsecGD =
    "Ogni quanti millisecondi l'evento GetDescription viene chiamato per prelevare la "
    "descrizione dell'elementi a cui sta puntando la KeloScroll ( mettere pochi millisecondi "
    "pu\u00f3 rallentare il funzionamento in quanto se alla GetDescription ci sono una serie di i";
constexpr std::string_view kHelpMin = "Provvisoriamente non funziona";
constexpr std::string_view kHelpSmallChange = "Per il momento non funzionante";

host::PictureRef pictureArg(const Variant& v) {
  host::ObjectRef o = v.asObject();
  if (!o) return nullptr;
  auto p = std::dynamic_pointer_cast<host::Picture>(o);
  if (!p) host::raise(host::err::TypeMismatch);
  return p;
}

using U = UsrKeloScroll;

constexpr std::array<EventArg, 1> kChangeArgs{{{"Value", "Long", true}}};
constexpr std::array<EventArg, 1> kDescriptionArgs{{{"Description", "String", true}}};

}  // namespace

const std::array<InterfaceEntry, 26> kInterface{{
    {1, "VerticalBar", Access::Get, "Boolean", 0x6803001D, kHelpVerticalBar, false,
     [](U& c) { return Variant::fromBoolean(c.VerticalBar()); }, nullptr},
    {2, "VerticalBar", Access::LetByRef, "Boolean", 0x6803001D, kHelpVerticalBar, false, nullptr,
     [](U& c, Variant& v) {
       host::Boolean b = v.asBoolean();
       c.setVerticalBar(b);
     }},
    {3, "PictureBarra", Access::Get, "Picture", 0x6803001C, "", false,
     [](U& c) { return Variant(c.PictureBarra()); }, nullptr},
    {4, "PictureBarra", Access::Set, "Picture", 0x6803001C, "", false, nullptr,
     [](U& c, Variant& v) { c.setPictureBarra(pictureArg(v)); }},
    {5, "PictureCursor", Access::Get, "Picture", 0x6803001B, "", false,
     [](U& c) { return Variant(c.PictureCursor()); }, nullptr},
    {6, "PictureCursor", Access::Set, "Picture", 0x6803001B, "", false, nullptr,
     [](U& c, Variant& v) { c.setPictureCursor(pictureArg(v)); }},
    {7, "PictureSXUP", Access::Get, "Picture", 0x6803001A, "", false,
     [](U& c) { return Variant(c.PictureSXUP()); }, nullptr},
    {8, "PictureSXUP", Access::Set, "Picture", 0x6803001A, "", false, nullptr,
     [](U& c, Variant& v) { c.setPictureSXUP(pictureArg(v)); }},
    {9, "PictureDXDN", Access::Get, "Picture", 0x68030019, "", false,
     [](U& c) { return Variant(c.PictureDXDN()); }, nullptr},
    {10, "PictureDXDN", Access::Set, "Picture", 0x68030019, "", false, nullptr,
     [](U& c, Variant& v) { c.setPictureDXDN(pictureArg(v)); }},
    {11, "ShowAboutBox", Access::Method, "", kDispidAboutBox, "", true, nullptr,
     [](U& c, Variant&) { c.ShowAboutBox(); }},
    {12, "Max", Access::Get, "Long", 0x68030018, kHelpMax, false,
     [](U& c) { return Variant(c.Max()); }, nullptr},
    {13, "Max", Access::Let, "Long", 0x68030018, kHelpMax, false, nullptr,
     [](U& c, Variant& v) { c.setMax(v.asLong()); }},
    {14, "LargeChange", Access::Let, "Long", 0x68030017, kHelpLargeChange, false, nullptr,
     [](U& c, Variant& v) { c.setLargeChange(v.asLong()); }},
    {15, "Value", Access::Get, "Long", 0x68030016, kHelpValue, false,
     [](U& c) { return Variant(c.Value()); }, nullptr},
    {16, "Value", Access::Let, "Long", 0x68030016, kHelpValue, false, nullptr,
     [](U& c, Variant& v) { c.setValue(v.asLong()); }},
    {17, "Description", Access::Get, "String", 0x68030015, kHelpDescription, false,
     [](U& c) { return Variant(c.Description()); }, nullptr},
    {18, "RefreshMsecGD", Access::Get, "Integer", 0x68030014, kHelpRefreshMsecGD, false,
     [](U& c) { return Variant(c.RefreshMsecGD()); }, nullptr},
    {19, "RefreshMsecGD", Access::Let, "Integer", 0x68030014, kHelpRefreshMsecGD, false, nullptr,
     [](U& c, Variant& v) { c.setRefreshMsecGD(v.asInteger()); }},
    {20, "Enabled", Access::Get, "Boolean", 0x68030013, "", false,
     [](U& c) { return Variant::fromBoolean(c.Enabled()); }, nullptr},
    {21, "Enabled", Access::Let, "Boolean", 0x68030013, "", false, nullptr,
     [](U& c, Variant& v) { c.setEnabled(v.asBoolean()); }},
    {22, "Min", Access::Get, "Long", 0x68030012, kHelpMin, false,
     [](U& c) { return Variant(c.Min()); }, nullptr},
    {23, "Min", Access::Let, "Long", 0x68030012, kHelpMin, false, nullptr,
     [](U& c, Variant& v) { c.setMin(v.asLong()); }},
    {24, "SmallChange", Access::Get, "Long", 0x68030011, kHelpSmallChange, false,
     [](U& c) { return Variant(c.SmallChange()); }, nullptr},
    {25, "SmallChange", Access::Let, "Long", 0x68030011, kHelpSmallChange, false, nullptr,
     [](U& c, Variant& v) { c.setSmallChange(v.asLong()); }},
    {26, "LargeChange", Access::Get, "Long", 0x68030017, kHelpLargeChange, false,
     [](U& c) { return Variant(c.LargeChange()); }, nullptr},
}};

const std::array<EventEntry, 3> kEvents{{
    {"Scroll", 1, {}, ""},
    {"Change", 2, kChangeArgs,
     "Scelta definitivamente la posizione su cui fermarsi al rilascio restituisce il valore su "
     "cui \u00e9 posizionata la KeloScroll"},
    {"GetDescription", 3, kDescriptionArgs, "Richiede la descrizione da visualizzare come tooltip"},
}};

const InterfaceEntry* findEntry(int32_t dispid, Access access) {
  for (const InterfaceEntry& e : kInterface) {
    bool kindMatches = e.access == access ||
                       (access == Access::Let && e.access == Access::LetByRef) ||
                       (access == Access::LetByRef && e.access == Access::Let);
    if (e.dispid == dispid && kindMatches) return &e;
  }
  return nullptr;
}

const InterfaceEntry* entryFor(int32_t dispid, host::Invoke kind) {
  switch (kind) {
    case host::Invoke::Get:
      if (const InterfaceEntry* e = findEntry(dispid, Access::Get)) return e;
      return findEntry(dispid, Access::Method);
    case host::Invoke::Method:
      if (const InterfaceEntry* e = findEntry(dispid, Access::Method)) return e;
      return findEntry(dispid, Access::Get);
    case host::Invoke::Let:
      return findEntry(dispid, Access::Let);
    case host::Invoke::Set:
      return findEntry(dispid, Access::Set);
  }
  return nullptr;
}

int32_t dispidOfName(std::string_view name) {
  std::string lower = host::toLowerAscii(name);
  for (const InterfaceEntry& e : kInterface) {
    if (host::toLowerAscii(e.member) == lower) return e.dispid;
  }
  host::raise(host::err::NoSuchMember);
}

}  // namespace keloscroll
