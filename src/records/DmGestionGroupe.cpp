#include "records/DmGestionGroupe.h"

#include "records/FieldDefs.h"

namespace corvane::records {

std::string ToStoredLineBreaks(std::string_view shown) {
  std::string out;
  out.reserve(shown.size());
  for (size_t i = 0; i < shown.size(); ++i) {
    if (shown[i] == '\r' && i + 1 < shown.size() && shown[i + 1] == '\n') continue;
    out += shown[i];
  }
  return out;
}

std::string ToDisplayLineBreaks(std::string_view stored) {
  // A message stored with CR LF already is not doubled to CR CR LF.
  std::string lf = ToStoredLineBreaks(stored);
  std::string out;
  out.reserve(lf.size() + 16);
  for (char c : lf) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}

TDmGestionGroupe::TDmGestionGroupe(service::ServiceGateway& controller)
    : controller_(controller), set_("EzInfosGroupe"), groupe_(std::make_unique<service::TRemotableGroupeAgent>()) {
  using enum FieldType;
  set_.addField(MakeField("ID", String, 32, "Group ID", 0, kReadOnly));
  set_.addField(MakeField("Nom", String, 36, "Group name :", 0));
  set_.addField(MakeField("Nbre", Integer, 0, "", 0, kReadOnly | kHidden));
  FieldDef mess = MakeField("Mess", String, 2048, "Message to client when all agent are busy :", 0, kRequired);
  mess.getText = [](int, const Variant& v) { return ToDisplayLineBreaks(service::ToText(v)); };
  mess.setText = [](std::string_view text) -> Variant { return ToStoredLineBreaks(text); };
  set_.addField(std::move(mess));
  set_.addField(MakeField("EMail", String, 128, "Group email :", 0));
  set_.addField(MakeField("Site", String, 256, "Group web site :", 0));
  set_.addField(MakeField("AccepteClientConnuUniquement", Boolean, 0, "Accept known clients only", 0));
  set_.addField(MakeField("URLLogo", String, 256, "URL Logo", 0));
  set_.addField(MakeField("URLDisponible", String, 256, "URL picture ready", 0));
  set_.addField(MakeField("URLOccuppe", String, 256, "URL picture busy", 0));
  set_.addField(MakeField("URLDeconnecte", String, 256, "URL picture disconnected", 0));

  auto& cb = set_.callbacks();
  cb.beforeOpen = [this] { load(); };
  cb.recordCount = [] { return 1; };
  cb.fieldValue = [this](int, const Field& f) {
    reader_.setObjet(groupe_.get());
    return reader_.getValue(f.name());
  };
  cb.postData = [this](int, RecordSetState state) { postRow(state); };
  cb.beforeRefresh = [] {};
}

void TDmGestionGroupe::load() {
  const service::TRemotableAgent* self = controller_.InfosAgent();
  // On failure the held record stays and the error passes on.
  groupe_ = std::make_unique<service::TRemotableGroupeAgent>(controller_.ObtenirGroupe(self ? self->GroupeID : ""));
}

void TDmGestionGroupe::postRow(RecordSetState state) {
  if (state != RecordSetState::Edit) return;
  try {
    auto record = std::make_unique<service::TRemotableGroupeAgent>();
    TGestionRTTIProprietes writer(record.get());
    for (int i = 0; i < set_.fieldCount(); ++i) writer.setValue(set_.field(i).name(), set_.field(i).value());
    controller_.ModifierGroupe(*record);
    groupe_ = std::move(record);
  } catch (...) {
    try {
      set_.refresh();
    } catch (...) {
    }
    throw;
  }
}

void TDmGestionGroupe::refresh() {
  set_.close();
  set_.open();
}

void TDmGestionGroupe::cancelAndClose() {
  set_.cancel();
  set_.close();
}

}  // namespace corvane::records
