// Writes the seed corpus of every fuzz target, made with the project's own encoders:
//   fuzz-make-seeds <fuzz folder>   ->  <fuzz folder>/<target>/corpus/<n>
// Run by fuzz/run when a corpus folder is empty; the seeds are committed so that runs start from
// meaningful inputs.

#include <sys/stat.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include <filesystem>

#include "assistance/FolderArchiveWriter.h"
#include "service/ContractNames.h"
#include "service/RemotableFaults.h"
#include "service/SoapWriter.h"
#include "session/MessageCode.h"
#include "session/MessageData.h"
#include "session/Png.h"
#include "session/ScreenOptions.h"
#include "shell/CatalogueTable.h"
#include "shell/ConfigurationDocument.h"

using namespace corvane;

namespace {

std::string root;

void Put(const std::string& target, int n, const std::string& bytes) {
  const std::string dir = root + "/" + target + "/corpus";
  ::mkdir((root + "/" + target).c_str(), 0755);
  ::mkdir(dir.c_str(), 0755);
  std::ofstream(dir + "/seed-" + std::to_string(n), std::ios::binary) << bytes;
}

std::string BigEndian(uint32_t v) {
  std::string s(4, '\0');
  for (int i = 0; i < 4; ++i) s[static_cast<size_t>(i)] = static_cast<char>(v >> (24 - 8 * i));
  return s;
}

session::Image Picture(int w, int h) {
  session::Image img(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) img.at(x, y) = 0xFF000000u | static_cast<uint32_t>((x * 16) << 8 | y * 16);
  return img;
}

void SessionSeeds() {
  using namespace session;
  TOLAMouseMoveMessageData move;
  move.Left = 100;
  move.Top = 300;
  TOLAMouseButtonMessageData button;
  button.Button = mbRight;
  button.Action = maDblClick;
  TOLAMouseWheelMessageData wheel;
  wheel.WheelData = -120;
  TOLAScreenDimensionMessageData dim;
  dim.Width = 1280;
  dim.Height = 720;
  TOLACursorChangeMessageData cursor;
  cursor.HotSpotX = 3;
  cursor.Image.Picture = Picture(4, 4);
  TOLAFrameUpdateMessageData frame;
  frame.PngUpdates.push_back({8, 8, {Picture(6, 5), {}}});
  frame.CopyRectUpdates.push_back({0, 0, 4, 4, 2, 2});
  TOLAKeyboardStateMessageData state;
  state.KeybState = SpecialKeyBit(ksShift) | SpecialKeyBit(ksVerNum);
  TOLAKeyboardMessageData key;
  key.VirtualKey = 200;
  key.Action = kaUp;
  TOLAClipBoardChangeMessageData clip;
  clip.ClipBoardStreamSize = 5;
  TOLAFileTransfertMessageData header;
  header.FileSize = 5000000000LL;
  header.FileName = "C:\\donn\xC3\xA9" "es\\report.pdf";
  header.DirectoryName = "\xC3\xA9";
  header.Authorizations = AuthorizationBit(aeoCanSave) | AuthorizationBit(aeoCanExecute);
  TDadScreenOptions options;
  options.SetPixelFormat(pf24bit);
  const TOLAStreamable* records[] = {&move, &button, &wheel, &dim,    &cursor, &frame,
                                     &state, &key,   &clip,  &header, &options};
  for (int kind = 0; kind < 11; ++kind)
    Put("component_stream", kind, std::string(1, static_cast<char>(kind)) + EncodeComponent(*records[kind]));

  auto block = [](const std::string& s) { return BigEndian(static_cast<uint32_t>(s.size())) + s; };
  Put("message_reader", 0, "P\r\n" + MessageCodeLine(mcMouseMove) + block(EncodeComponent(move)));
  Put("message_reader", 1, MessageCodeLine(mcFrameUpdate) + block(EncodeComponent(frame)) +
                               MessageCodeLine(mcChatMessage) + block("bonjour"));
  Put("message_reader", 2, MessageCodeLine(mcClipboardChange) + block(EncodeComponent(clip)) + "hello" +
                               MessageCodeLine(mcCommand) + ".\r\n" + MessageCodeLine(mcDisconnect));
  Put("message_reader", 3, MessageCodeLine(mcFileBlock) + block(std::string(100, 'z')) +
                               MessageCodeLine(mcFullScreenUpdateInterval) + BigEndian(900));

  auto little32 = [](uint32_t v) { return std::string(reinterpret_cast<const char*>(&v), 4); };
  TOLAScreenDimensionMessageData small;
  small.Width = 64;
  small.Height = 48;
  const std::string dimStream = EncodeComponent(small);
  Put("frame_update", 0, little32(static_cast<uint32_t>(dimStream.size())) + dimStream + EncodeComponent(frame));
  TOLAFrameUpdateMessageData empty;
  Put("frame_update", 1, little32(static_cast<uint32_t>(dimStream.size())) + dimStream + EncodeComponent(empty));

  TOLAFileTransfertMessageData file;
  file.FileSize = 10;
  file.FileName = "C:\\dir\\report.final.pdf";
  file.Authorizations = AuthorizationBit(aeoCanSave);
  const std::string headerBytes = MessageCodeLine(mcFileHeader) + block(EncodeComponent(file));
  Put("file_receiver", 0, headerBytes + MessageCodeLine(mcFileBlock) + block("0123456789") + MessageCodeLine(mcFileEnd));
  Put("file_receiver", 1, headerBytes + MessageCodeLine(mcFileBlock) + block("01234") + MessageCodeLine(mcFileCancel));
  Put("file_receiver", 2, headerBytes + MessageCodeLine(mcFileBlock) + block("012") + MessageCodeLine(mcFileEnd));
}

void AssistanceSeeds() {
  namespace fs = std::filesystem;
  const fs::path dir = fs::temp_directory_path() / "corvane-fuzz-seed-folder";
  fs::remove_all(dir);
  fs::create_directories(dir / "docs" / "empty");
  std::ofstream(dir / "readme.txt") << "hello\r\n";
  std::ofstream(dir / "docs" / "notes.txt") << std::string(300, 'n');
  std::ofstream(dir / "docs" / "zero.bin");
  const std::string archive = (fs::temp_directory_path() / "corvane-fuzz-seed.z").string();
  assistance::FolderArchiveWriter::Pack(dir.string(), archive);
  std::ifstream in(archive, std::ios::binary);
  Put("archive_reader", 0, std::string((std::istreambuf_iterator<char>(in)), {}));
  fs::remove_all(dir);
  fs::remove(archive);
}

void UpdateSeeds() {
  Put("update_descriptor", 0,
      "<?xml version=\"1.0\" encoding=\"iso-8859-1\"?>\r\n<updates>"
      "<update mandatory=\"true\" restart=\"1\"><filename>[maj:app/]CorvaneAgent</filename>"
      "<description>Console</description><url>https://example.org/CorvaneAgent</url>"
      "<version>1.2.3.4</version></update>"
      "<update noupdate=\"FALSE\"><filename>[maj:docs/]manual.pdf</filename><url>ftp://example.org/m.pdf</url>"
      "<crc32>1A2B3C4D</crc32></update>"
      "<delete restart=\"0\"><filename>[maj:tmp/]old.bin</filename></delete></updates>");
  Put("dad_headers", 0,
      "User-Agent: CorvaneClient\nDAD-AssistanceID: 1234\nDAD-Action: 1\nDAD-AgentCount: 3\n"
      "DAD-ClientNom: Dupont\nDAD-ClientEMail: a@b.fr\nDAD-ClientID: 17\nDAD-TypeClient: 1\n"
      "DAD-Description: \"My printer\",\"does not, print\"\n");
  Put("dad_headers", 1, "DAD-AssistanceID: 1\nDAD-Action: 2\nDAD-Action: 4\nDAD-TypeClient: 9\n");
  Put("tag_replacer", 0, "[maj:app/]bin/[maj:appexename/]");
  Put("tag_replacer", 1, "[maj:b]1[maj:b]2[/maj:b]3[/maj:b] [maj:x a=\"1\" b=\"say ::hi::\" /] [maj:docs/]f");
}

void ServiceSeeds() {
  using namespace service;
  auto answer = [](std::string_view op, auto&& fill) {
    SoapWriter w(kICorvaneAgent.operationNs, std::string(op) + "Response");
    fill(w);
    return w.finish();
  };
  Put("soap_answer", 0, std::string("\x00\x00", 2) + answer("LogIn", [](SoapWriter& w) { w.addString("return", "session-1"); }));
  TRemotableAssistances list(2);
  Put("soap_answer", 1, std::string("\x00\x01", 2) + answer("ListeAssistances", [&](SoapWriter& w) { w.addArray("return", list); }));
  TRemotableAgents agents(1);
  Put("soap_answer", 2, std::string("\x00\x02", 2) + answer("ListeAgents", [&](SoapWriter& w) { w.addArray("return", agents); }));
  Put("soap_answer", 3, std::string("\x00\x03", 2) + answer("ObtenirAgent", [&](SoapWriter& w) { w.addRecord("return", agents[0]); }));
  ERemotableInvalideSession invalid("Session expired");
  Put("soap_answer", 4, std::string("\x01\x02", 2) + SoapWriter::Fault("SOAP-ENV:Server", invalid));
  ERemotableException generic("duplicate key C_UK_IDEN_GRA");
  Put("soap_answer", 5, std::string("\x01\x05", 2) + SoapWriter::Fault("SOAP-ENV:Server", generic));
}

void ShellSeeds() {
  using namespace shell;
  ConfigurationDocument doc;
  doc.setValue("FrmPrincipale", "Left", "10");
  doc.setValue("Serveur", "RacineServeur", "http://localhost:8090/scripts/ServiceCorvane.dll/");
  doc.setValue("Divers", "Langue", "fr\xC3\xA9");
  Put("config_reader", 0, doc.toXml());

  // A tiny little-endian MO file: header entry and one translation.
  auto u32 = [](uint32_t v) { return std::string(reinterpret_cast<const char*>(&v), 4); };
  const std::string ids[] = {std::string(), "Cancel"};
  const std::string strs[] = {"Content-Type: text/plain; charset=UTF-8\n", "Annuler"};
  std::string mo = u32(0x950412de) + u32(0) + u32(2) + u32(28) + u32(44) + u32(0) + u32(60);
  uint32_t at = 60;
  std::string table1, table2, text;
  for (auto& s : ids) { table1 += u32(static_cast<uint32_t>(s.size())) + u32(at + static_cast<uint32_t>(text.size())); text += s + '\0'; }
  for (auto& s : strs) { table2 += u32(static_cast<uint32_t>(s.size())) + u32(at + static_cast<uint32_t>(text.size())); text += s + '\0'; }
  mo += table1 + table2 + text;
  Put("mo_catalogue", 0, mo);

  // An executable-like file with the marker and an appended table.
  const std::string file = "/tmp/corvane-fuzz-seed.bin";
  std::ofstream(file, std::ios::binary) << "ELF" << CatalogueMarkerText() << std::string(8, '\0') << "rest";
  AppendCatalogues(file, {{"locale\\fr\\LC_MESSAGES\\TarvenholtCorvane.mo", mo}});
  std::ifstream in(file, std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(in)), {});
  const size_t valueAt = bytes.find(CatalogueMarkerText()) + kMarkerLength;
  Put("catalogue_table", 0, bytes.substr(valueAt, 8) + bytes);
  std::remove(file.c_str());
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: fuzz-make-seeds <fuzz folder>\n");
    return 2;
  }
  root = argv[1];
  SessionSeeds();
  ServiceSeeds();
  ShellSeeds();
  AssistanceSeeds();
  UpdateSeeds();
  return 0;
}
