#pragma once
// A print server of the test's own: cupsd in the foreground on a configuration, spool,
// log and socket folder below the test's temporary folder, listening on its socket and on
// a free loopback port, with the machine's filters and socket backend and the build's
// print driver filter. The machine's own print server, its configuration and its queues
// are never touched: every client command is given the private socket (-h).
//
// Thread use: one test thread drives one PrintServer.
#include <sys/types.h>

#include <string>
#include <vector>

class PrintServer {
 public:
  PrintServer();
  ~PrintServer();  // stops the server
  PrintServer(const PrintServer&) = delete;
  PrintServer& operator=(const PrintServer&) = delete;

  // Starts cupsd with the driver filter at filterPath; true once it answers. When it
  // does not, Problem() says why (cupsd missing, or what its log says).
  bool Start(const std::string& filterPath);
  void Stop();
  const std::string& Problem() const { return problem_; }

  // The socket clients reach it on (CUPS_SERVER for the program under test).
  const std::string& Socket() const { return socket_; }

  // Adds an enabled queue printing to deviceUri with the driver description ppdPath;
  // true when lpadmin took it (else Problem() holds its output).
  bool AddQueue(const std::string& name, const std::string& deviceUri, const std::string& ppdPath);
  // Submits file to queue with options ("-o" values); the job id, or -1 (Problem()).
  int Print(const std::string& queue, const std::string& file, const std::vector<std::string>& options = {});
  // Waits until the job left the queue: "completed", "aborted", "canceled", "stopped"
  // (held or stopped by an error), or "" when the time ran out.
  std::string WaitForJob(int jobId, int timeoutMs = 60000);

  // The scheduler's log (for failure messages).
  std::string ErrorLog() const;

 private:
  // Runs a client program with the arguments; its exit code, output in *output.
  int Run(const std::vector<std::string>& args, std::string* output) const;

  std::string folder_;
  std::string socket_;
  std::string problem_;
  pid_t pid_ = -1;
};
