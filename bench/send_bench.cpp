// Sending a job of a megabyte over a socket to a listener of our own on
// 127.0.0.1, as a whole `kerfline-cli send --tcp` process: its wall time and
// the throughput, the median of the rounds. The listener counts what comes
// and closes once the sender has closed its side, as print servers do.
//
//   build/native/bench/kerfline_send_bench [ROUNDS]
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "tests/cli/send_checks.h"

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    std::string job;
    for (unsigned seed = 1; job.size() < 1000000; ++seed) job += kerfline::sendtest::testJob(200, seed);
    const std::string path = (std::filesystem::temp_directory_path() / "kerfline-send-bench.plt").string();
    if (FILE* out = std::fopen(path.c_str(), "wb")) {
        std::fwrite(job.data(), 1, job.size(), out);
        std::fclose(out);
    }

    const int server = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (server < 0 || bind(server, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(server, 1) != 0 || getsockname(server, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        std::perror("listener");
        return 1;
    }
    const std::string target = "127.0.0.1:" + std::to_string(ntohs(address.sin_port));

    std::vector<double> seconds;
    for (int round = 0; round < rounds; ++round) {
        std::size_t received = 0;
        std::thread listener([&] {
            const int connection = accept(server, nullptr, nullptr);
            char block[65536];
            for (ssize_t got; (got = read(connection, block, sizeof block)) > 0;) received += static_cast<std::size_t>(got);
            close(connection);
        });
        const auto start = std::chrono::steady_clock::now();
        const pid_t child = fork();
        if (child == 0) {
            execl(KERF_CLI_PATH, KERF_CLI_PATH, "send", path.c_str(), "--tcp", target.c_str(), "--quiet",
                  static_cast<char*>(nullptr));
            _exit(127);
        }
        int status = 0;
        waitpid(child, &status, 0);
        seconds.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        listener.join();
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || received != job.size()) {
            std::fprintf(stderr, "round %d: status %d, %zu of %zu bytes\n", round, status, received, job.size());
            return 1;
        }
    }
    std::sort(seconds.begin(), seconds.end());
    const double median = seconds[seconds.size() / 2];
    std::printf("send --tcp: %zu bytes in %.3f s (median of %d), %.1f MB/s\n", job.size(), median, rounds,
                static_cast<double>(job.size()) / median / 1e6);
    std::filesystem::remove(path);
    close(server);
    return 0;
}
