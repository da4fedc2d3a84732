#include "ServiceStore.h"

#include <algorithm>
#include <cctype>
#include <stdexcept>

#include "PasswordHash.h"
#include "RequestLog.h"
#include "ServiceLimits.h"
#include "VerificationPicture.h"
#include "service/RemotableFaults.h"

namespace corvane::service::server {
namespace {

const char* kSchema = R"SQL(
CREATE TABLE IF NOT EXISTS groupes(
  id INTEGER PRIMARY KEY, nom TEXT NOT NULL, valide INTEGER NOT NULL DEFAULT 1,
  mess TEXT NOT NULL DEFAULT '', email TEXT NOT NULL DEFAULT '', site TEXT NOT NULL DEFAULT '',
  accepte_connus INTEGER NOT NULL DEFAULT 0, url_logo TEXT NOT NULL DEFAULT '',
  url_disponible TEXT NOT NULL DEFAULT '', url_occuppe TEXT NOT NULL DEFAULT '',
  url_deconnecte TEXT NOT NULL DEFAULT '');
CREATE TABLE IF NOT EXISTS agents(
  id INTEGER PRIMARY KEY, groupe_id INTEGER NOT NULL REFERENCES groupes(id) ON DELETE CASCADE,
  login TEXT NOT NULL COLLATE NOCASE UNIQUE, mot_de_passe TEXT NOT NULL,
  nom TEXT NOT NULL DEFAULT '', prenom TEXT NOT NULL DEFAULT '', email TEXT NOT NULL DEFAULT '',
  adresse_ip TEXT NOT NULL DEFAULT '', adresse_ip_auto INTEGER NOT NULL DEFAULT 1,
  adresse_ip_vue TEXT NOT NULL DEFAULT '', port INTEGER NOT NULL DEFAULT 8100,
  ports TEXT NOT NULL DEFAULT '', login_voip TEXT NOT NULL DEFAULT '',
  niveau_admin INTEGER NOT NULL DEFAULT 0, status INTEGER NOT NULL DEFAULT 0, photo BLOB);
CREATE TABLE IF NOT EXISTS clients(
  id INTEGER PRIMARY KEY, groupe_id INTEGER NOT NULL REFERENCES groupes(id) ON DELETE CASCADE,
  identifiant TEXT NOT NULL, nom TEXT NOT NULL DEFAULT '', prenom TEXT NOT NULL DEFAULT '',
  email TEXT NOT NULL DEFAULT '', adresse_ip TEXT NOT NULL DEFAULT '',
  CONSTRAINT C_UK_IDEN_GRA UNIQUE(groupe_id, identifiant));
CREATE TABLE IF NOT EXISTS assistances(
  id INTEGER PRIMARY KEY, groupe_id INTEGER NOT NULL REFERENCES groupes(id) ON DELETE CASCADE,
  client_id INTEGER REFERENCES clients(id) ON DELETE RESTRICT,
  client_identifiant TEXT NOT NULL DEFAULT '', client_adresse_ip TEXT NOT NULL DEFAULT '',
  nom_saisi TEXT NOT NULL DEFAULT '', email_saisi TEXT NOT NULL DEFAULT '',
  description TEXT NOT NULL DEFAULT '', demande_date REAL NOT NULL,
  agent_id TEXT NOT NULL DEFAULT '', reponse_description TEXT NOT NULL DEFAULT '',
  reponse_date REAL NOT NULL DEFAULT 0, cloture TEXT NOT NULL DEFAULT '');
CREATE INDEX IF NOT EXISTS assistances_groupe_date ON assistances(groupe_id, demande_date);
CREATE TABLE IF NOT EXISTS sessions(
  jeton TEXT PRIMARY KEY, agent_id INTEGER NOT NULL REFERENCES agents(id) ON DELETE CASCADE,
  dernier_usage INTEGER NOT NULL);
CREATE TABLE IF NOT EXISTS verrous(id TEXT PRIMARY KEY, code TEXT NOT NULL, expire INTEGER NOT NULL);
CREATE TABLE IF NOT EXISTS inscriptions(
  jeton TEXT PRIMARY KEY, groupe_id INTEGER NOT NULL REFERENCES groupes(id) ON DELETE CASCADE,
  expire INTEGER NOT NULL);
)SQL";

constexpr int64_t kMsPerDay = 24LL * 60 * 60 * 1000;

std::string Upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

// One prepared statement. Constraint failures become the service's faults right here, so every
// operation reports them alike.
class Stmt {
public:
  Stmt(sqlite3* db, const char* sql) : db_(db) {
    if (sqlite3_prepare_v2(db, sql, -1, &stmt_, nullptr) != SQLITE_OK)
      throw EStoreError(std::string("SQL prepare failed: ") + sqlite3_errmsg(db));
  }
  ~Stmt() { sqlite3_finalize(stmt_); }
  Stmt(const Stmt&) = delete;
  Stmt& operator=(const Stmt&) = delete;

  Stmt& bind(int i, const std::string& v) {
    sqlite3_bind_text(stmt_, i, v.data(), static_cast<int>(v.size()), SQLITE_TRANSIENT);
    return *this;
  }
  Stmt& bind(int i, const char* v) { return bind(i, std::string(v)); }
  Stmt& bind(int i, int64_t v) {
    sqlite3_bind_int64(stmt_, i, v);
    return *this;
  }
  Stmt& bind(int i, int v) { return bind(i, static_cast<int64_t>(v)); }
  Stmt& bind(int i, bool v) { return bind(i, static_cast<int64_t>(v ? 1 : 0)); }
  Stmt& bind(int i, double v) {
    sqlite3_bind_double(stmt_, i, v);
    return *this;
  }
  Stmt& bindNull(int i) {
    sqlite3_bind_null(stmt_, i);
    return *this;
  }
  Stmt& bindBlob(int i, const TByteDynArray& v) {
    sqlite3_bind_blob(stmt_, i, v.data(), static_cast<int>(v.size()), SQLITE_TRANSIENT);
    return *this;
  }

  bool step() {
    int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW) return true;
    if (rc == SQLITE_DONE) return false;
    // The database's own text goes to the request's log line only: it names tables and columns
    // that are none of the caller's business.
    std::string message = sqlite3_errmsg(db_);
    CurrentRequestLog().detail = message;
    int extended = sqlite3_extended_errcode(db_);
    if (extended == SQLITE_CONSTRAINT_UNIQUE || extended == SQLITE_CONSTRAINT_PRIMARYKEY) {
      // The console recognises a customer identifier already used by this constraint's name.
      if (message.find("clients.") != std::string::npos)
        throw ERemotableException("violation of UNIQUE KEY constraint C_UK_IDEN_GRA");
      throw ERemotableIdentifiantIncorrect("This identifier is already used");
    }
    // ON DELETE RESTRICT reports itself as a trigger constraint.
    if (extended == SQLITE_CONSTRAINT_FOREIGNKEY || message.find("FOREIGN KEY") != std::string::npos)
      throw ERemotableEchecIntegrite("Other records still refer to this one");
    throw EStoreError("SQL failed: " + message);
  }
  void run() {
    while (step()) {
    }
  }

  std::string text(int col) const {
    const unsigned char* t = sqlite3_column_text(stmt_, col);
    return t ? std::string(reinterpret_cast<const char*>(t),
                           static_cast<size_t>(sqlite3_column_bytes(stmt_, col)))
             : std::string();
  }
  int64_t integer(int col) const { return sqlite3_column_int64(stmt_, col); }
  double real(int col) const { return sqlite3_column_double(stmt_, col); }
  bool isNull(int col) const { return sqlite3_column_type(stmt_, col) == SQLITE_NULL; }
  TByteDynArray blob(int col) const {
    const auto* data = static_cast<const uint8_t*>(sqlite3_column_blob(stmt_, col));
    int size = sqlite3_column_bytes(stmt_, col);
    return data ? TByteDynArray(data, data + size) : TByteDynArray();
  }

private:
  sqlite3* db_;
  sqlite3_stmt* stmt_ = nullptr;
};

ERemotableIdentifiantIncorrect BadId(const std::string& what) {
  return ERemotableIdentifiantIncorrect("Unknown or malformed identifier: " + what);
}

const char* kAgentColumns =
    "id, groupe_id, login, nom, prenom, email, adresse_ip, adresse_ip_auto, port, ports, "
    "login_voip, niveau_admin, status FROM agents";

TRemotableAgent AgentFromRow(const Stmt& s) {
  TRemotableAgent a;
  a.AgentID = std::to_string(s.integer(0));
  a.GroupeID = std::to_string(s.integer(1));
  a.Login = s.text(2);
  a.Nom = s.text(3);
  a.Prenom = s.text(4);
  a.EMail = s.text(5);
  a.AdresseIP = s.text(6);
  a.AdresseIPAuto = s.integer(7) != 0;
  a.Port = static_cast<int32_t>(s.integer(8));
  a.Ports = s.text(9);
  a.LoginVoiceOnIP = s.text(10);
  a.NiveauAdmin = static_cast<int16_t>(s.integer(11));
  a.Status = static_cast<TStatusAgent>(std::clamp<int64_t>(s.integer(12), 0, 2));
  return a;
}

const char* kClientColumns = "id, groupe_id, identifiant, nom, prenom, email, adresse_ip FROM clients";

TRemotableClient ClientFromRow(const Stmt& s) {
  TRemotableClient c;
  c.ClientID = std::to_string(s.integer(0));
  c.GroupeID = std::to_string(s.integer(1));
  c.Identifiant = s.text(2);
  c.Nom = s.text(3);
  c.Prenom = s.text(4);
  c.EMail = s.text(5);
  c.AdresseIP = s.text(6);
  return c;
}

}  // namespace

std::optional<int64_t> ParseId(const std::string& text) {
  if (text.empty() || text.size() > 18) return std::nullopt;
  int64_t v = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    v = v * 10 + (c - '0');
  }
  return v;
}

class ServiceStore::Transaction {
public:
  explicit Transaction(sqlite3* db) : db_(db) { Exec("BEGIN IMMEDIATE"); }
  ~Transaction() {
    if (!done_) sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
  }
  void commit() {
    Exec("COMMIT");
    done_ = true;
  }

private:
  void Exec(const char* sql) {
    char* err = nullptr;
    if (sqlite3_exec(db_, sql, nullptr, nullptr, &err) != SQLITE_OK) {
      std::string message = err ? err : "?";
      sqlite3_free(err);
      throw EStoreError(std::string(sql) + " failed: " + message);
    }
  }
  sqlite3* db_;
  bool done_ = false;
};

ServiceStore::ServiceStore(StoreOptions options)
    : options_(std::move(options)),
      throttle_({kFreeFailuresPerLogin, kFirstBackOffMs, kMaxBackOffMs, kThrottleForgetMs, kMaxThrottleEntries},
                {kFreeFailuresPerAddress, kFirstBackOffMs, kMaxBackOffMs, kThrottleForgetMs, kMaxThrottleEntries}) {
  if (options_.sessionIdleMs <= 0) options_.sessionIdleMs = kDefaultSessionIdleMs;
  if (!options_.clock) options_.clock = SystemMilliseconds;
  if (options_.passwordIterations <= 0 || options_.passwordIterations > kMaxPasswordIterations)
    throw EStoreError("The password work factor must be between 1 and " + std::to_string(kMaxPasswordIterations));
  if (options_.firstPasswordDays < 0) throw EStoreError("The first password's life cannot be negative");
  dummyHash_ = DummyHash(options_.passwordIterations);
  int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX;
  if (sqlite3_open_v2(options_.path.c_str(), &db_, flags, nullptr) != SQLITE_OK) {
    std::string message = db_ ? sqlite3_errmsg(db_) : "out of memory";
    sqlite3_close(db_);
    throw EStoreError("Cannot open the database " + options_.path + ": " + message);
  }
  sqlite3_busy_timeout(db_, 5000);
  exec("PRAGMA foreign_keys = ON");
  if (options_.path != ":memory:") exec("PRAGMA journal_mode = WAL");
  exec(kSchema);
  // Columns added since the first databases were made; older files get them here, with values
  // that keep their agents and history as they were (no first-password expiry, no customer token).
  addColumnIfMissing("agents", "mdp_initial", "INTEGER NOT NULL DEFAULT 0");
  addColumnIfMissing("agents", "cree_le", "INTEGER NOT NULL DEFAULT 0");
  addColumnIfMissing("assistances", "jeton_client", "TEXT NOT NULL DEFAULT ''");
}

ServiceStore::~ServiceStore() { sqlite3_close(db_); }

void ServiceStore::exec(const char* sql) {
  char* err = nullptr;
  if (sqlite3_exec(db_, sql, nullptr, nullptr, &err) != SQLITE_OK) {
    std::string message = err ? err : "?";
    sqlite3_free(err);
    throw EStoreError("SQL failed: " + message);
  }
}

void ServiceStore::addColumnIfMissing(const char* table, const char* column, const char* definition) {
  Stmt s(db_, (std::string("SELECT count(*) FROM pragma_table_info('") + table + "') WHERE name = ?").c_str());
  s.bind(1, column);
  if (s.step() && s.integer(0) > 0) return;
  exec((std::string("ALTER TABLE ") + table + " ADD COLUMN " + column + " " + definition).c_str());
}

int64_t ServiceStore::now() const { return options_.clock(); }

ServiceStore::Caller ServiceStore::authenticate(const std::string& session) {
  Stmt s(db_,
         "SELECT s.agent_id, a.groupe_id, a.niveau_admin, s.dernier_usage FROM sessions s "
         "JOIN agents a ON a.id = s.agent_id WHERE s.jeton = ?");
  s.bind(1, session);
  if (!s.step()) throw ERemotableInvalideSession("Unknown session");
  Caller caller{s.integer(0), s.integer(1), static_cast<int>(s.integer(2))};
  CurrentRequestLog().agent = std::to_string(caller.agentId);
  if (now() - s.integer(3) > options_.sessionIdleMs) {
    Stmt(db_, "DELETE FROM sessions WHERE jeton = ?").bind(1, session).run();
    throw ERemotableInvalideSession("Session expired");
  }
  // The last use is rewritten only once it is a little old: otherwise every read operation would
  // be a write with its disk sync. A session then expires at most a tenth of the idle limit (and
  // never more than kSessionTouchMs) before its exact idle time.
  const int64_t touchAfter = std::min<int64_t>(options_.sessionIdleMs / 10, kSessionTouchMs);
  if (now() - s.integer(3) >= touchAfter)
    Stmt(db_, "UPDATE sessions SET dernier_usage = ? WHERE jeton = ?").bind(1, now()).bind(2, session).run();
  return caller;
}

void ServiceStore::requireAdmin(const Caller& caller) {
  if (caller.niveauAdmin < 1)
    throw ERemotableOperationNonAutorisee("This operation needs an administrator");
}

// ---- ICorvaneAgent ---------------------------------------------------------------------------

std::string ServiceStore::LogIn(const std::string& user, const std::string& password,
                                const std::string& address) {
  // A name or address that failed too often waits before its tries are even checked.
  if (int64_t wait = throttle_.WaitMs(user, address, now()); wait > 0) {
    CurrentRequestLog().detail = "back-off " + std::to_string(wait) + " ms";
    throw ERemotableEchecAuthentification("Too many failed log-ins: try again in " +
                                          std::to_string((wait + 999) / 1000) + " s");
  }
  int64_t agentId = 0;
  std::string stored;
  bool firstPassword = false;
  int64_t createdMs = 0;
  {
    std::lock_guard lock(mutex_);
    Stmt s(db_, "SELECT id, mot_de_passe, mdp_initial, cree_le FROM agents WHERE login = ?");
    s.bind(1, user);
    if (s.step()) {
      agentId = s.integer(0);
      stored = s.text(1);
      firstPassword = s.integer(2) != 0;
      createdMs = s.integer(3);
    }
  }
  // The slow hash runs outside the lock; an unknown login costs one hash, like a wrong password.
  bool ok = VerifyPassword(password, agentId != 0 ? stored : dummyHash_) && agentId != 0;
  if (!ok) {
    throttle_.Failed(user, address, now());
    throw ERemotableEchecAuthentification("Incorrect login or password");
  }
  CurrentRequestLog().agent = std::to_string(agentId);
  // A first password nobody changed is the login itself: it opens the account for a few days only.
  if (firstPassword && now() - createdMs >= options_.firstPasswordDays * kMsPerDay) {
    CurrentRequestLog().detail = "first password expired";
    throw ERemotableEchecAuthentification("The first password has expired: an administrator must reset it");
  }
  throttle_.Succeeded(user);
  // A hash weaker than the service's work factor is remade now that the password is known.
  std::string stronger;
  if (HashIterations(stored) < options_.passwordIterations)
    stronger = HashPassword(password, options_.passwordIterations);
  std::string token = RandomHex(16);
  std::lock_guard lock(mutex_);
  Transaction tx(db_);
  Stmt(db_, "INSERT INTO sessions(jeton, agent_id, dernier_usage) VALUES (?, ?, ?)")
      .bind(1, token).bind(2, agentId).bind(3, now()).run();
  if (!stronger.empty())
    Stmt(db_, "UPDATE agents SET mot_de_passe = ? WHERE id = ? AND mot_de_passe = ?")
        .bind(1, stronger).bind(2, agentId).bind(3, stored).run();
  // Forget sessions idle past the limit, so the table does not grow without end.
  Stmt(db_, "DELETE FROM sessions WHERE dernier_usage < ?").bind(1, now() - options_.sessionIdleMs).run();
  tx.commit();
  return token;
}

void ServiceStore::ChangePassword(const std::string& session, const std::string& agentId,
                                  const std::string& currentPassword,
                                  const std::string& newPassword) {
  int64_t target = 0;
  std::string callerHash;
  {
    std::lock_guard lock(mutex_);
    Transaction tx(db_);
    Caller caller = authenticate(session);
    target = caller.agentId;
    if (!agentId.empty()) {
      auto id = ParseId(agentId);
      if (!id) throw BadId(agentId);
      if (*id != caller.agentId) {
        // Setting another agent's password is an administrator's reset, within its group and
        // never for an agent of a higher level.
        requireAdmin(caller);
        Stmt g(db_, "SELECT groupe_id, niveau_admin FROM agents WHERE id = ?");
        g.bind(1, *id);
        if (!g.step()) throw BadId(agentId);
        if (g.integer(0) != caller.groupId) throw ERemotableOperationNonAutorisee("Another group");
        if (g.integer(1) > caller.niveauAdmin)
          throw ERemotableOperationNonAutorisee("The agent has a higher administration level");
        target = *id;
      }
    }
    Stmt p(db_, "SELECT mot_de_passe FROM agents WHERE id = ?");
    p.bind(1, caller.agentId);
    if (p.step()) callerHash = p.text(0);
    tx.commit();
  }
  // The current password is the caller's own, also when an administrator sets another's.
  if (newPassword.empty() || !VerifyPassword(currentPassword, callerHash))
    throw ERemotableEchecModificationMotDePasse("Password not changed");
  std::string hash = HashPassword(newPassword, options_.passwordIterations);
  std::lock_guard lock(mutex_);
  Transaction tx(db_);
  // A changed (or reset) password is no longer the first one: it does not expire.
  Stmt(db_, "UPDATE agents SET mot_de_passe = ?, mdp_initial = 0 WHERE id = ?").bind(1, hash).bind(2, target).run();
  tx.commit();
}

void ServiceStore::LogOut(const std::string& session) {
  std::lock_guard lock(mutex_);
  Transaction tx(db_);
  authenticate(session);
  Stmt(db_, "DELETE FROM sessions WHERE jeton = ?").bind(1, session).run();
  tx.commit();
}

void ServiceStore::ModifierStatus(const std::string& session, TStatusAgent status) {
  std::lock_guard lock(mutex_);
  Transaction tx(db_);
  Caller caller = authenticate(session);
  Stmt(db_, "UPDATE agents SET status = ? WHERE id = ?")
      .bind(1, static_cast<int>(status)).bind(2, caller.agentId).run();
  tx.commit();
}

void ServiceStore::ModifierPhoto(const std::string& session, const TByteDynArray& photo) {
  std::lock_guard lock(mutex_);
  Transaction tx(db_);
  Caller caller = authenticate(session);
  Stmt(db_, "UPDATE agents SET photo = ? WHERE id = ?").bindBlob(1, photo).bind(2, caller.agentId).run();
  tx.commit();
}

TByteDynArray ServiceStore::ObtenirPhoto(const std::string& session, const std::string& agentId) {
  std::lock_guard lock(mutex_);
  Transaction tx(db_);
  Caller caller = authenticate(session);
  int64_t id = caller.agentId;
  if (!agentId.empty()) {
    auto parsed = ParseId(agentId);
    if (!parsed) throw BadId(agentId);
    id = *parsed;
  }
  Stmt s(db_, "SELECT groupe_id, photo FROM agents WHERE id = ?");
  s.bind(1, id);
  if (!s.step()) throw BadId(agentId);
  if (s.integer(0) != caller.groupId) throw ERemotableOperationNonAutorisee("Another group");
  TByteDynArray photo = s.blob(1);
  tx.commit();
  return photo;
}

TRemotableAgent ServiceStore::readAgent(int64_t id) {
  Stmt s(db_, (std::string("SELECT ") + kAgentColumns + " WHERE id = ?").c_str());
  s.bind(1, id);
  if (!s.step()) throw BadId(std::to_string(id));
  return AgentFromRow(s);
}

TRemotableAgent ServiceStore::ObtenirAgent(const std::string& session, const std::string& agentId) {
  std::lock_guard lock(mutex_);
  Transaction tx(db_);
  Caller caller = authenticate(session);
  int64_t id = caller.agentId;
  if (!agentId.empty()) {
    auto parsed = ParseId(agentId);
    if (!parsed) throw BadId(agentId);
    id = *parsed;
  }
  TRemotableAgent agent = readAgent(id);
  if (agent.GroupeID != std::to_string(caller.groupId))
    throw ERemotableOperationNonAutorisee("Another group");
  tx.commit();
  return agent;
}

void ServiceStore::MettreAJourAgent(const std::string& session, const TRemotableAgent& agent) {
  std::lock_guard lock(mutex_);
  Transaction tx(db_);
  Caller caller = authenticate(session);
  auto id = ParseId(agent.AgentID);
  if (!id) throw BadId(agent.AgentID);
  if (*id != caller.agentId) requireAdmin(caller);
  TRemotableAgent stored = readAgent(*id);
  if (stored.GroupeID != std::to_string(caller.groupId))
    throw ERemotableOperationNonAutorisee("Another group");
  if (agent.Login.empty()) throw ERemotableIdentifiantIncorrect("Empty login");
  // Administration levels: an agent's own level never changes here (no one raises their own);
  // an administrator changes other agents' levels within its own level.
  int niveau = stored.NiveauAdmin;
  if (*id != caller.agentId && agent.NiveauAdmin != stored.NiveauAdmin) {
    if (std::max<int>(agent.NiveauAdmin, stored.NiveauAdmin) > caller.niveauAdmin)
      throw ERemotableOperationNonAutorisee("Administration level above the caller's");
    niveau = agent.NiveauAdmin;
  }
  // The status is the agent's own (ModifierStatus): the record the console sends carries
  // "disconnected" because its editor has no status field, so it is not taken from there.
  Stmt(db_,
       "UPDATE agents SET login = ?, nom = ?, prenom = ?, email = ?, adresse_ip = ?, "
       "adresse_ip_auto = ?, port = ?, ports = ?, login_voip = ?, niveau_admin = ? WHERE id = ?")
      .bind(1, agent.Login).bind(2, agent.Nom).bind(3, agent.Prenom).bind(4, agent.EMail)
      .bind(5, agent.AdresseIP).bind(6, agent.AdresseIPAuto).bind(7, agent.Port)
      .bind(8, agent.Ports).bind(9, agent.LoginVoiceOnIP).bind(10, niveau).bind(11, *id).run();
  tx.commit();
}

TRemotableAssistances ServiceStore::ListeAssistances(const std::string& session,
                                                     const TRemotableFiltre& f) {
  std::lock_guard lock(mutex_);
  Transaction tx(db_);
  Caller caller = authenticate(session);
  std::string sql =
      "SELECT a.id, a.client_id, a.client_identifiant, c.nom, a.client_adresse_ip, c.email, "
      "a.nom_saisi, a.email_saisi, a.description, a.demande_date, a.agent_id, "
      "a.reponse_description, a.reponse_date, a.cloture FROM assistances a "
      "LEFT JOIN clients c ON c.id = a.client_id "
      "WHERE a.groupe_id = ?1 AND a.demande_date >= ?2 AND a.demande_date < ?3";
  switch (f.IdentificationClient) {
    case TFiltreIdentificationClient::ficIdentifies: sql += " AND a.client_id IS NOT NULL"; break;
    case TFiltreIdentificationClient::ficNonIdentifies: sql += " AND a.client_id IS NULL"; break;
    case TFiltreIdentificationClient::ficTous: break;
    case TFiltreIdentificationClient::ficSpecifique: sql += " AND a.client_id = ?4"; break;
  }
  switch (f.RequeteClient) {
    case TFiltreRequeteClient::frcPrisesEnCharge: sql += " AND a.agent_id <> ''"; break;
    case TFiltreRequeteClient::frcNonPrisesEnCharge: sql += " AND a.agent_id = ''"; break;
    case TFiltreRequeteClient::frcToutes: break;
  }
  std::string letter(1, ClotureCode(f.ReponsesAgents));
  if (f.ReponsesAgents != TFiltreReponsesAgents::fraToutes)
    sql += f.FiltreReponsesAgentsExclusif ? " AND a.cloture = ?5" : " AND instr(a.cloture, ?5) > 0";
  sql += " ORDER BY a.demande_date, a.id";
  Stmt s(db_, sql.c_str());
  s.bind(1, caller.groupId).bind(2, f.DateDebutInclue).bind(3, f.DateFinNonInclue);
  if (f.IdentificationClient == TFiltreIdentificationClient::ficSpecifique) s.bind(4, f.ClientID);
  if (f.ReponsesAgents != TFiltreReponsesAgents::fraToutes) s.bind(5, letter);
  TRemotableAssistances list;
  while (s.step()) {
    TRemotableAssistance a;
    a.AssistanceID = std::to_string(s.integer(0));
    a.ClientID = s.isNull(1) ? "" : std::to_string(s.integer(1));
    a.ClientIdentifiant = s.text(2);
    a.ClientNom = s.text(3);
    a.ClientAdressIP = s.text(4);
    a.ClientEmail = s.text(5);
    a.CorvaneClientNom = s.text(6);
    a.CorvaneClientEmail = s.text(7);
    a.DemandeDescription = s.text(8);
    a.DemandeDate = s.real(9);
    a.AgentID = s.text(10);
    a.ReponseDescription = s.text(11);
    a.ReponseDate = s.real(12);
    a.Cloture = s.text(13);
    list.push_back(std::move(a));
  }
  tx.commit();
  return list;
}

std::string ServiceStore::AjouterUnAgent(const std::string& session, const TRemotableAgent& agent) {
  // First password: the login (the contract has no field for another), valid for a few days.
  std::string hash = HashPassword(agent.Login, options_.passwordIterations);
  std::lock_guard lock(mutex_);
  Transaction tx(db_);
  Caller caller = authenticate(session);
  requireAdmin(caller);
  if (agent.Login.empty()) throw ERemotableIdentifiantIncorrect("Empty login");
  if (agent.NiveauAdmin > caller.niveauAdmin)
    throw ERemotableOperationNonAutorisee("Administration level above the caller's");
  Stmt(db_,
       "INSERT INTO agents(groupe_id, login, mot_de_passe, nom, prenom, email, adresse_ip, "
       "adresse_ip_auto, port, ports, login_voip, niveau_admin, status, mdp_initial, cree_le) "
       "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, 1, ?)")
      .bind(1, caller.groupId).bind(2, agent.Login).bind(3, hash).bind(4, agent.Nom)
      .bind(5, agent.Prenom).bind(6, agent.EMail).bind(7, agent.AdresseIP)
      .bind(8, agent.AdresseIPAuto).bind(9, agent.Port).bind(10, agent.Ports)
      .bind(11, agent.LoginVoiceOnIP).bind(12, static_cast<int>(agent.NiveauAdmin))
      .bind(13, static_cast<int>(agent.Status)).bind(14, now()).run();
  std::string id = std::to_string(sqlite3_last_insert_rowid(db_));
  tx.commit();
  return id;
}

TRemotableAgents ServiceStore::ListeAgents(const std::string& session) {
  std::lock_guard lock(mutex_);
  Transaction tx(db_);
  Caller caller = authenticate(session);
  Stmt s(db_, (std::string("SELECT ") + kAgentColumns + " WHERE groupe_id = ? ORDER BY id").c_str());
  s.bind(1, caller.groupId);
  TRemotableAgents list;
  while (s.step()) list.push_back(AgentFromRow(s));
  tx.commit();
  return list;
}

void ServiceStore::SupprimerUnAgent(const std::string& session, const std::string& agentId) {
  std::lock_guard lock(mutex_);
  Transaction tx(db_);
  Caller caller = authenticate(session);
  requireAdmin(caller);
  auto id = ParseId(agentId);
  if (!id) throw BadId(agentId);
  TRemotableAgent stored = readAgent(*id);
  if (stored.GroupeID != std::to_string(caller.groupId))
    throw ERemotableOperationNonAutorisee("Another group");
  if (*id == caller.agentId) throw ERemotableEchecSuppressionAgent("An agent cannot delete itself");
  Stmt(db_, "DELETE FROM agents WHERE id = ?").bind(1, *id).run();
  tx.commit();
}

void ServiceStore::CloturerAssistance(const std::string& session,
                                      const TRemotableClotureAssistance& cloture) {
  std::lock_guard lock(mutex_);
  Transaction tx(db_);
  Caller caller = authenticate(session);
  auto id = ParseId(cloture.AssistanceID);
  if (!id) throw BadId(cloture.AssistanceID);
  Stmt s(db_, "SELECT groupe_id FROM assistances WHERE id = ?");
  s.bind(1, *id);
  if (!s.step()) throw BadId(cloture.AssistanceID);
  if (s.integer(0) != caller.groupId) throw ERemotableOperationNonAutorisee("Another group");
  Stmt(db_,
       "UPDATE assistances SET agent_id = ?, reponse_description = ?, reponse_date = ?, "
       "cloture = cloture || 'O', client_adresse_ip = CASE WHEN ? <> '' THEN ? ELSE "
       "client_adresse_ip END WHERE id = ?")
      .bind(1, std::to_string(caller.agentId)).bind(2, cloture.ReponseDescription)
      .bind(3, ServiceZoneTime(now())).bind(4, cloture.ClientAdresseIP)
      .bind(5, cloture.ClientAdresseIP).bind(6, *id).run();
  tx.commit();
}

std::string ServiceStore::AjouterUnClient(const std::string& session, const TRemotableClient& client) {
  std::lock_guard lock(mutex_);
  Transaction tx(db_);
  Caller caller = authenticate(session);
  if (client.Identifiant.empty()) throw ERemotableIdentifiantIncorrect("Empty customer identifier");
  Stmt(db_,
       "INSERT INTO clients(groupe_id, identifiant, nom, prenom, email, adresse_ip) "
       "VALUES (?, ?, ?, ?, ?, ?)")
      .bind(1, caller.groupId).bind(2, client.Identifiant).bind(3, client.Nom)
      .bind(4, client.Prenom).bind(5, client.EMail).bind(6, client.AdresseIP).run();
  std::string id = std::to_string(sqlite3_last_insert_rowid(db_));
  tx.commit();
  return id;
}

TRemotableClient ServiceStore::readClient(int64_t id) {
  Stmt s(db_, (std::string("SELECT ") + kClientColumns + " WHERE id = ?").c_str());
  s.bind(1, id);
  if (!s.step()) throw BadId(std::to_string(id));
  return ClientFromRow(s);
}

TRemotableClient ServiceStore::ObtenirClient(const std::string& session, const std::string& clientId) {
  std::lock_guard lock(mutex_);
  Transaction tx(db_);
  Caller caller = authenticate(session);
  auto id = ParseId(clientId);
  if (!id) throw BadId(clientId);
  TRemotableClient client = readClient(*id);
  if (client.GroupeID != std::to_string(caller.groupId))
    throw ERemotableOperationNonAutorisee("Another group");
  tx.commit();
  return client;
}

TRemotableClient ServiceStore::ObtenirClientParIdentifiant(const std::string& session,
                                                           const std::string& groupeId,
                                                           const std::string& identifiant) {
  std::lock_guard lock(mutex_);
  Transaction tx(db_);
  Caller caller = authenticate(session);
  if (!groupeId.empty() && groupeId != std::to_string(caller.groupId))
    throw ERemotableOperationNonAutorisee("Another group");
  Stmt s(db_, (std::string("SELECT ") + kClientColumns + " WHERE groupe_id = ? AND identifiant = ?").c_str());
  s.bind(1, caller.groupId).bind(2, identifiant);
  if (!s.step()) throw ERemotableIdentifiantNonTrouve("No customer with this identifier");
  TRemotableClient client = ClientFromRow(s);
  tx.commit();
  return client;
}

void ServiceStore::MettreAJourClient(const std::string& session, const TRemotableClient& client) {
  std::lock_guard lock(mutex_);
  Transaction tx(db_);
  Caller caller = authenticate(session);
  auto id = ParseId(client.ClientID);
  if (!id) throw BadId(client.ClientID);
  if (readClient(*id).GroupeID != std::to_string(caller.groupId))
    throw ERemotableOperationNonAutorisee("Another group");
  if (client.Identifiant.empty()) throw ERemotableIdentifiantIncorrect("Empty customer identifier");
  // The stored address stays: the console's customer editor has no address field and sends it
  // empty.
  Stmt(db_, "UPDATE clients SET identifiant = ?, nom = ?, prenom = ?, email = ? WHERE id = ?")
      .bind(1, client.Identifiant).bind(2, client.Nom).bind(3, client.Prenom)
      .bind(4, client.EMail).bind(5, *id).run();
  tx.commit();
}

void ServiceStore::SupprimerUnClient(const std::string& session, const std::string& clientId) {
  std::lock_guard lock(mutex_);
  Transaction tx(db_);
  Caller caller = authenticate(session);
  auto id = ParseId(clientId);
  if (!id) throw BadId(clientId);
  if (readClient(*id).GroupeID != std::to_string(caller.groupId))
    throw ERemotableOperationNonAutorisee("Another group");
  Stmt(db_, "DELETE FROM clients WHERE id = ?").bind(1, *id).run();
  tx.commit();
}

TRemotableClients ServiceStore::ListeClients(const std::string& session) {
  std::lock_guard lock(mutex_);
  Transaction tx(db_);
  Caller caller = authenticate(session);
  Stmt s(db_, (std::string("SELECT ") + kClientColumns + " WHERE groupe_id = ? ORDER BY id").c_str());
  s.bind(1, caller.groupId);
  TRemotableClients list;
  while (s.step()) list.push_back(ClientFromRow(s));
  tx.commit();
  return list;
}

// ---- ICorvaneGroupeAgent ---------------------------------------------------------------------

TRemotableGroupeAgent ServiceStore::readGroup(int64_t id) {
  Stmt s(db_,
         "SELECT id, nom, (SELECT count(*) FROM agents WHERE groupe_id = g.id), valide, mess, "
         "email, site, accepte_connus, url_logo, url_disponible, url_occuppe, url_deconnecte "
         "FROM groupes g WHERE id = ?");
  s.bind(1, id);
  if (!s.step()) throw BadId(std::to_string(id));
  TRemotableGroupeAgent g;
  g.ID = std::to_string(s.integer(0));
  g.Nom = s.text(1);
  g.Nbre = static_cast<int32_t>(s.integer(2));
  g.Valide = s.integer(3) != 0;
  g.Mess = s.text(4);
  g.Email = s.text(5);
  g.Site = s.text(6);
  g.AccepteClientConnuUniquement = s.integer(7) != 0;
  g.URLLogo = s.text(8);
  g.URLDisponible = s.text(9);
  g.URLOccuppe = s.text(10);
  g.URLDeconnecte = s.text(11);
  return g;
}

void ServiceStore::writeGroup(int64_t id, const TRemotableGroupeAgent& g) {
  if (g.Nom.empty()) throw ERemotableIdentifiantIncorrect("Empty group name");
  Stmt(db_,
       "UPDATE groupes SET nom = ?, mess = ?, email = ?, site = ?, accepte_connus = ?, "
       "url_logo = ?, url_disponible = ?, url_occuppe = ?, url_deconnecte = ? WHERE id = ?")
      .bind(1, g.Nom).bind(2, g.Mess).bind(3, g.Email).bind(4, g.Site)
      .bind(5, g.AccepteClientConnuUniquement).bind(6, g.URLLogo).bind(7, g.URLDisponible)
      .bind(8, g.URLOccuppe).bind(9, g.URLDeconnecte).bind(10, id).run();
}

void ServiceStore::CreerGroupe(const std::string& session, TRemotableGroupeAgent& groupe) {
  std::lock_guard lock(mutex_);
  Transaction tx(db_);
  Caller caller = authenticate(session);
  requireAdmin(caller);
  if (groupe.Nom.empty()) throw ERemotableIdentifiantIncorrect("Empty group name");
  Stmt(db_, "INSERT INTO groupes(nom) VALUES (?)").bind(1, groupe.Nom).run();
  int64_t id = sqlite3_last_insert_rowid(db_);
  writeGroup(id, groupe);
  groupe = readGroup(id);
  tx.commit();
}

void ServiceStore::ModifierGroupe(const std::string& session, TRemotableGroupeAgent& groupe) {
  std::lock_guard lock(mutex_);
  Transaction tx(db_);
  Caller caller = authenticate(session);
  requireAdmin(caller);
  auto id = ParseId(groupe.ID);
  if (!id) throw BadId(groupe.ID);
  if (*id != caller.groupId) throw ERemotableOperationNonAutorisee("Another group");
  // Nbre and Valide are the service's own: what the console sends for them is ignored.
  writeGroup(*id, groupe);
  groupe = readGroup(*id);
  tx.commit();
}

void ServiceStore::SupprimerGroupe(const std::string& session, const std::string& groupeId) {
  std::lock_guard lock(mutex_);
  Transaction tx(db_);
  Caller caller = authenticate(session);
  requireAdmin(caller);
  auto id = ParseId(groupeId);
  if (!id) throw BadId(groupeId);
  if (*id != caller.groupId) throw ERemotableOperationNonAutorisee("Another group");
  Stmt(db_, "DELETE FROM assistances WHERE groupe_id = ?").bind(1, *id).run();
  Stmt(db_, "DELETE FROM groupes WHERE id = ?").bind(1, *id).run();
  tx.commit();
}

TRemotableGroupeAgent ServiceStore::ObtenirGroupe(const std::string& session,
                                                  const std::string& groupeId) {
  std::lock_guard lock(mutex_);
  Transaction tx(db_);
  Caller caller = authenticate(session);
  int64_t id = caller.groupId;
  if (!groupeId.empty()) {
    auto parsed = ParseId(groupeId);
    if (!parsed) throw BadId(groupeId);
    if (*parsed != caller.groupId) throw ERemotableOperationNonAutorisee("Another group");
  }
  TRemotableGroupeAgent g = readGroup(id);
  tx.commit();
  return g;
}

TRemotableGroupesAgent ServiceStore::ListeGroupes(const std::string& session) {
  std::lock_guard lock(mutex_);
  Transaction tx(db_);
  Caller caller = authenticate(session);
  TRemotableGroupesAgent list{readGroup(caller.groupId)};
  tx.commit();
  return list;
}

// ---- ICorvaneInscription ---------------------------------------------------------------------

std::string ServiceStore::NewChallenge(const std::string& previousId, std::string& code) {
  code = RandomCode(5);
  std::string id = RandomHex(16);
  std::lock_guard lock(mutex_);
  Transaction tx(db_);
  Stmt(db_, "DELETE FROM verrous WHERE id = ? OR expire < ?").bind(1, previousId).bind(2, now()).run();
  Stmt(db_,
       "DELETE FROM verrous WHERE id IN (SELECT id FROM verrous ORDER BY expire DESC LIMIT -1 "
       "OFFSET ?)")
      .bind(1, kMaxChallenges - 1).run();
  Stmt(db_, "INSERT INTO verrous(id, code, expire) VALUES (?, ?, ?)")
      .bind(1, id).bind(2, code).bind(3, now() + kChallengeLifetimeMs).run();
  // A sign-up that created a group goes on with the new challenge: the wizard sends the
  // identifier it held, and only it knows that identifier.
  Stmt(db_, "DELETE FROM inscriptions WHERE expire < ?").bind(1, now()).run();
  if (!previousId.empty())
    Stmt(db_, "UPDATE inscriptions SET jeton = ? WHERE jeton = ?").bind(1, id).bind(2, previousId).run();
  tx.commit();
  return id;
}

std::string ServiceStore::PeekChallengeCode(const std::string& id) {
  std::lock_guard lock(mutex_);
  Stmt s(db_, "SELECT code FROM verrous WHERE id = ?");
  s.bind(1, id);
  return s.step() ? s.text(0) : std::string();
}

bool ServiceStore::CheckChallenge(const std::string& id, const std::string& code) {
  std::lock_guard lock(mutex_);
  Transaction tx(db_);
  Stmt s(db_, "SELECT code, expire FROM verrous WHERE id = ?");
  s.bind(1, id);
  bool ok = s.step() && s.integer(1) >= now() && !code.empty() && Upper(code) == s.text(0);
  // Single use: the challenge is gone whatever the outcome.
  Stmt(db_, "DELETE FROM verrous WHERE id = ?").bind(1, id).run();
  tx.commit();
  return ok;
}

void ServiceStore::useChallenge(const std::string& id, const std::string& verrou) {
  if (!CheckChallenge(id, verrou))
    throw ERemotableException("Incorrect verification code.");
}

std::string ServiceStore::CreerGroupeInscription(const std::string& id, const std::string& verrou,
                                                 const TRemotableInfosGroupe& infos) {
  useChallenge(id, verrou);
  std::lock_guard lock(mutex_);
  Transaction tx(db_);
  if (infos.Nom.empty()) throw ERemotableIdentifiantIncorrect("Empty group name");
  Stmt(db_, "INSERT INTO groupes(nom, mess, email, site) VALUES (?, ?, ?, ?)")
      .bind(1, infos.Nom).bind(2, infos.Mess).bind(3, infos.Email).bind(4, infos.Site).run();
  int64_t groupId = sqlite3_last_insert_rowid(db_);
  // The challenge's identifier becomes the sign-up's token: the first administrator of this
  // group can only come from the same sign-up (CreerSuperAgent), for a limited time.
  Stmt(db_, "INSERT INTO inscriptions(jeton, groupe_id, expire) VALUES (?, ?, ?)")
      .bind(1, id).bind(2, groupId).bind(3, now() + kSignUpLifetimeMs).run();
  tx.commit();
  return std::to_string(groupId);
}

void ServiceStore::CreerSuperAgent(const std::string& id, const std::string& verrou,
                                   const TRemotableInfosAgent& infos) {
  useChallenge(id, verrou);
  if (infos.Login.empty() || infos.MotDePasse.empty())
    throw ERemotableIdentifiantIncorrect("Empty login or password");
  std::string hash = HashPassword(infos.MotDePasse, options_.passwordIterations);
  std::lock_guard lock(mutex_);
  Transaction tx(db_);
  auto groupId = ParseId(infos.GroupeID);
  if (!groupId) throw BadId(infos.GroupeID);
  Stmt g(db_, "SELECT (SELECT count(*) FROM agents WHERE groupe_id = groupes.id) FROM groupes WHERE id = ?");
  g.bind(1, *groupId);
  if (!g.step()) throw BadId(infos.GroupeID);
  if (g.integer(0) > 0) throw ERemotableOperationNonAutorisee("The group already has agents");
  Stmt signUp(db_, "SELECT groupe_id FROM inscriptions WHERE jeton = ? AND expire >= ?");
  signUp.bind(1, id).bind(2, now());
  if (!signUp.step() || signUp.integer(0) != *groupId)
    throw ERemotableOperationNonAutorisee("Only the sign-up that created the group gives it its first administrator");
  Stmt(db_,
       "INSERT INTO agents(groupe_id, login, mot_de_passe, niveau_admin, port, ports) "
       "VALUES (?, ?, ?, 2, 8100, '8101-8120')")
      .bind(1, *groupId).bind(2, infos.Login).bind(3, hash).run();
  Stmt(db_, "DELETE FROM inscriptions WHERE groupe_id = ?").bind(1, *groupId).run();
  tx.commit();
}

// ---- Address publication, status picture, customer side ----------------------------------

bool ServiceStore::UpdateIP(const std::string& session, const std::string& address) {
  std::lock_guard lock(mutex_);
  Transaction tx(db_);
  try {
    Caller caller = authenticate(session);
    Stmt(db_, "UPDATE agents SET adresse_ip_vue = ? WHERE id = ?").bind(1, address).bind(2, caller.agentId).run();
  } catch (const ERemotableInvalideSession&) {
    tx.commit();  // keeps the removal of an expired session
    return false;
  }
  tx.commit();
  return true;
}

std::optional<std::pair<int, std::string>> ServiceStore::GroupAvailability(const std::string& groupeId) {
  auto id = ParseId(groupeId);
  if (!id) return std::nullopt;
  std::lock_guard lock(mutex_);
  Stmt s(db_,
         "SELECT (SELECT max(status) FROM agents WHERE groupe_id = g.id), url_disponible, "
         "url_occuppe, url_deconnecte FROM groupes g WHERE id = ?");
  s.bind(1, *id);
  if (!s.step()) return std::nullopt;
  int best = static_cast<int>(s.integer(0));  // 2 available > 1 busy > 0 disconnected
  std::string url = best == 2 ? s.text(1) : best == 1 ? s.text(2) : s.text(3);
  return std::make_pair(best, url);
}

HelpRequestAnswer ServiceStore::OpenHelpRequest(const std::string& groupeId, const std::string& nom,
                                                const std::string& email,
                                                const std::string& identifiant,
                                                const std::string& description,
                                                const std::string& address) {
  auto groupId = ParseId(groupeId);
  if (!groupId) throw BadId(groupeId);
  std::lock_guard lock(mutex_);
  Transaction tx(db_);
  Stmt g(db_, "SELECT accepte_connus FROM groupes WHERE id = ?");
  g.bind(1, *groupId);
  if (!g.step()) throw BadId(groupeId);
  bool knownOnly = g.integer(0) != 0;
  std::optional<int64_t> clientId;
  if (!identifiant.empty()) {
    Stmt c(db_, "SELECT id FROM clients WHERE groupe_id = ? AND identifiant = ?");
    c.bind(1, *groupId).bind(2, identifiant);
    if (c.step()) clientId = c.integer(0);
  }
  Stmt insert(db_,
              "INSERT INTO assistances(groupe_id, client_id, client_identifiant, client_adresse_ip, "
              "nom_saisi, email_saisi, description, demande_date, cloture, jeton_client) "
              "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
  insert.bind(1, *groupId);
  if (clientId) insert.bind(2, *clientId);
  else insert.bindNull(2);
  bool refused = knownOnly && !clientId;
  HelpRequestAnswer answer;
  // Closing letters come back with this token: the request's identifiers are sequential, the
  // token is known to its caller only.
  if (!refused) answer.token = RandomHex(16);
  insert.bind(3, identifiant).bind(4, address).bind(5, nom).bind(6, email).bind(7, description)
      .bind(8, ServiceZoneTime(now())).bind(9, refused ? "U" : "").bind(10, answer.token).run();
  answer.assistanceId = std::to_string(sqlite3_last_insert_rowid(db_));
  if (refused) {
    tx.commit();  // the refused request stays in the history
    throw ERemotableClientsConnusSeulement("Only known customers may ask for help");
  }
  Stmt a(db_,
         "SELECT CASE WHEN adresse_ip_auto <> 0 THEN adresse_ip_vue ELSE adresse_ip END, port "
         "FROM agents WHERE groupe_id = ? AND status = 2 ORDER BY id");
  a.bind(1, *groupId);
  while (a.step())
    if (!a.text(0).empty()) answer.agents.emplace_back(a.text(0), static_cast<int>(a.integer(1)));
  tx.commit();
  return answer;
}

void ServiceStore::RecordClosingLetter(const std::string& assistanceId, const std::string& token,
                                       char letter) {
  if (std::string("IRNUA").find(letter) == std::string::npos)
    throw ERemotableIdentifiantIncorrect("Unknown closing letter");
  auto id = ParseId(assistanceId);
  if (!id) throw BadId(assistanceId);
  std::lock_guard lock(mutex_);
  Transaction tx(db_);
  Stmt s(db_, "SELECT cloture, jeton_client FROM assistances WHERE id = ?");
  s.bind(1, *id);
  // Requests opened before tokens existed, or refused ones, have none: nobody closes them.
  if (!s.step() || s.text(1).empty() || !SameSecret(token, s.text(1)))
    throw ERemotableOperationNonAutorisee("Not the caller of this help request");
  const std::string cloture = s.text(0);
  if (cloture.find(letter) != std::string::npos) return;  // each kind once: a repeat changes nothing
  // The console's own "O" does not count against the customer's letters.
  if (cloture.size() - static_cast<size_t>(std::count(cloture.begin(), cloture.end(), 'O')) >=
      kMaxCustomerClosingLetters)
    throw ERemotableOperationNonAutorisee("Too many closing letters");
  Stmt(db_, "UPDATE assistances SET cloture = cloture || ? WHERE id = ?")
      .bind(1, std::string(1, letter)).bind(2, *id).run();
  tx.commit();
}

// ---- Seeding ---------------------------------------------------------------------------------

bool ServiceStore::Empty() {
  std::lock_guard lock(mutex_);
  Stmt s(db_, "SELECT count(*) FROM groupes");
  s.step();
  return s.integer(0) == 0;
}

std::string ServiceStore::SeedGroup(const TRemotableGroupeAgent& groupe) {
  std::lock_guard lock(mutex_);
  Transaction tx(db_);
  Stmt(db_, "INSERT INTO groupes(nom) VALUES (?)").bind(1, groupe.Nom).run();
  int64_t id = sqlite3_last_insert_rowid(db_);
  writeGroup(id, groupe);
  tx.commit();
  return std::to_string(id);
}

std::string ServiceStore::SeedAgent(const TRemotableAgent& agent, const std::string& password) {
  std::string hash = HashPassword(password, options_.passwordIterations);
  std::lock_guard lock(mutex_);
  Transaction tx(db_);
  Stmt(db_,
       "INSERT INTO agents(groupe_id, login, mot_de_passe, nom, prenom, email, adresse_ip, "
       "adresse_ip_auto, port, ports, login_voip, niveau_admin, status) "
       "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)")
      .bind(1, *ParseId(agent.GroupeID)).bind(2, agent.Login).bind(3, hash).bind(4, agent.Nom)
      .bind(5, agent.Prenom).bind(6, agent.EMail).bind(7, agent.AdresseIP)
      .bind(8, agent.AdresseIPAuto).bind(9, agent.Port).bind(10, agent.Ports)
      .bind(11, agent.LoginVoiceOnIP).bind(12, static_cast<int>(agent.NiveauAdmin))
      .bind(13, static_cast<int>(agent.Status)).run();
  std::string id = std::to_string(sqlite3_last_insert_rowid(db_));
  tx.commit();
  return id;
}

std::string ServiceStore::SeedClient(const TRemotableClient& c) {
  std::lock_guard lock(mutex_);
  Transaction tx(db_);
  Stmt(db_,
       "INSERT INTO clients(groupe_id, identifiant, nom, prenom, email, adresse_ip) "
       "VALUES (?, ?, ?, ?, ?, ?)")
      .bind(1, *ParseId(c.GroupeID)).bind(2, c.Identifiant).bind(3, c.Nom).bind(4, c.Prenom)
      .bind(5, c.EMail).bind(6, c.AdresseIP).run();
  std::string id = std::to_string(sqlite3_last_insert_rowid(db_));
  tx.commit();
  return id;
}

std::string ServiceStore::SeedAssistance(const std::string& groupeId, const TRemotableAssistance& a) {
  std::lock_guard lock(mutex_);
  Transaction tx(db_);
  Stmt s(db_,
         "INSERT INTO assistances(groupe_id, client_id, client_identifiant, client_adresse_ip, "
         "nom_saisi, email_saisi, description, demande_date, agent_id, reponse_description, "
         "reponse_date, cloture) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
  s.bind(1, *ParseId(groupeId));
  if (auto client = ParseId(a.ClientID)) s.bind(2, *client);
  else s.bindNull(2);
  s.bind(3, a.ClientIdentifiant).bind(4, a.ClientAdressIP).bind(5, a.CorvaneClientNom)
      .bind(6, a.CorvaneClientEmail).bind(7, a.DemandeDescription).bind(8, a.DemandeDate)
      .bind(9, a.AgentID).bind(10, a.ReponseDescription).bind(11, a.ReponseDate)
      .bind(12, a.Cloture).run();
  std::string id = std::to_string(sqlite3_last_insert_rowid(db_));
  tx.commit();
  return id;
}

}  // namespace corvane::service::server
