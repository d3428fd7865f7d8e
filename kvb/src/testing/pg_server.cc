#include "testing/pg_server.h"

#include <fcntl.h>
#include <libpq-fe.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace kvb::test {
namespace {

constexpr uid_t kNobody = 65534;  // nobody:nogroup on Debian

// The watchdog's pipe and process, for the exit handler.
int watchdog_pipe = -1;
pid_t owner = -1;

std::string ReadText(const std::string& path) {
  std::ifstream in(path);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// At exit: the server is stopped and removed here, without waiting for the
// watchdog, whose pipe a forked child may still hold.
void EndAtExit() {
  if (getpid() != owner || watchdog_pipe < 0) return;
  PgServer::Shared().Remove();
  close(watchdog_pipe);
  watchdog_pipe = -1;
}

}  // namespace

PgServer& PgServer::Shared() {
  static PgServer* server = new PgServer;  // kept to the very end of the process
  return *server;
}

std::string PgServer::Conninfo(const std::string& database) const {
  return "host=" + folder_ + " user=kvb dbname=" + database;
}

bool PgServer::Run(const std::string& log, const std::vector<std::string>& arguments) {
  std::vector<std::string> words;
  if (as_nobody_) {
    words = {"/usr/bin/setpriv", "--reuid=" + std::to_string(kNobody),
             "--regid=" + std::to_string(kNobody), "--clear-groups"};
  }
  words.insert(words.end(), arguments.begin(), arguments.end());
  words[as_nobody_ ? 4 : 0] = bin_ + "/" + words[as_nobody_ ? 4 : 0];
  pid_t child = fork();
  if (child == 0) {
    int in = open("/dev/null", O_RDONLY);
    int out = open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0666);
    dup2(in, 0);
    dup2(out, 1);
    dup2(out, 2);
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);
    execv(argv[0], argv.data());
    _exit(127);
  }
  int status = 0;
  if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status) ||
      WEXITSTATUS(status) != 0) {
    error_ = words[as_nobody_ ? 4 : 0] + " failed; its output:\n" + ReadText(log);
    return false;
  }
  return true;
}

PgServer::PgServer() {
  const char* bin = std::getenv("KVB_PG_BIN");
  bin_ = bin != nullptr && *bin != '\0' ? bin : "/usr/lib/postgresql/15/bin";
  if (access((bin_ + "/initdb").c_str(), X_OK) != 0) {
    error_ = bin_ + "/initdb not found: install postgresql-15 (scripts/setup)";
    return;
  }
  char pattern[] = "/tmp/kvb-pg-XXXXXX";
  if (mkdtemp(pattern) == nullptr) {
    error_ = "cannot make a folder under /tmp";
    return;
  }
  folder_ = pattern;
  as_nobody_ = geteuid() == 0;
  if (as_nobody_ && chown(folder_.c_str(), kNobody, kNobody) != 0) {
    error_ = "cannot give " + folder_ + " to nobody";
    return;
  }
  // The watchdog: waits for the end of the pipe, then stops the server and
  // removes the folder. Its end is not inherited by the server's programs.
  int ends[2];
  if (pipe2(ends, O_CLOEXEC) != 0) {
    error_ = "cannot make the watchdog's pipe";
    return;
  }
  owner = getpid();
  pid_t watchdog = fork();
  if (watchdog == 0) {
    // Out of the tests' process group and deaf to their signals, so that
    // what ends the tests does not end the watchdog as well.
    setsid();
    signal(SIGINT, SIG_IGN);
    signal(SIGTERM, SIG_IGN);
    signal(SIGHUP, SIG_IGN);
    close(ends[1]);
    char byte;
    while (read(ends[0], &byte, 1) > 0) {
    }
    Remove();
    _exit(0);
  }
  close(ends[0]);
  watchdog_pipe = ends[1];
  std::atexit(EndAtExit);

  const std::string data = folder_ + "/data";
  if (!Run(folder_ + "/initdb.log", {"initdb", "-D", data, "-U", "kvb", "-A", "trust",
                                     "-E", "UTF8", "--locale=C", "--no-sync"})) {
    return;
  }
  // Only a Unix socket in the folder; no durability needed by the tests'
  // throwaway data, and little memory.
  std::ofstream(data + "/postgresql.conf", std::ios::app)
      << "listen_addresses = ''\n"
      << "unix_socket_directories = '" << folder_ << "'\n"
      << "fsync = off\nshared_buffers = 16MB\nmax_connections = 60\n";
  running_ = Start();
}

void PgServer::Remove() {
  if (folder_.empty() || access(folder_.c_str(), F_OK) != 0) return;
  if (access((folder_ + "/data/postmaster.pid").c_str(), F_OK) == 0) StopImmediately();
  std::error_code ignored;
  std::filesystem::remove_all(folder_, ignored);
}

bool PgServer::Start() {
  running_ = Run(folder_ + "/server.log", {"pg_ctl", "-D", folder_ + "/data", "-l",
                                           folder_ + "/data/server.log", "-w", "-t", "60",
                                           "start"});
  return running_;
}

bool PgServer::StopImmediately() {
  running_ = false;
  return Run(folder_ + "/stop.log",
             {"pg_ctl", "-D", folder_ + "/data", "-m", "immediate", "-w", "stop"});
}

std::string PgServer::NewDatabase() {
  if (!running_) return "";
  const std::string name = "kvb_test_" + std::to_string(++databases_);
  std::string result = Query(Conninfo("postgres"), "CREATE DATABASE " + name);
  if (result.starts_with("ERROR")) {
    error_ = result;
    return "";
  }
  return Conninfo(name);
}

std::string PgServer::Query(const std::string& conninfo, const std::string& sql) {
  PGconn* conn = PQconnectdb(conninfo.c_str());
  std::string value;
  if (PQstatus(conn) != CONNECTION_OK) {
    value = std::string("ERROR: ") + PQerrorMessage(conn);
  } else {
    PGresult* result = PQexec(conn, sql.c_str());
    ExecStatusType status = PQresultStatus(result);
    if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) {
      value = std::string("ERROR: ") + PQresultErrorMessage(result);
    } else if (PQntuples(result) > 0) {
      value = PQgetvalue(result, 0, 0);
    }
    PQclear(result);
  }
  PQfinish(conn);
  return value;
}

}  // namespace kvb::test
