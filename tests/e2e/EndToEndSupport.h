#pragma once

#include "platform/ui/graphics/Image.h"
#include "json/JSONDeserializer.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

// pellar-demo-server in a child process on a free port, logging every request.
class DemoService {
public:
    DemoService(const std::filesystem::path& scenario, const std::filesystem::path& log)
        : m_log(log)
    {
        int out[2];
        if (pipe(out) != 0)
            return;
        m_pid = fork();
        if (m_pid == 0) {
            dup2(out[1], STDOUT_FILENO);
            close(out[0]);
            std::string binary = VANTREL_BINARY_DIR "/server/pellar-demo-server";
            execl(binary.c_str(), binary.c_str(), "--port", "0", "--scenario", scenario.c_str(), "--log", log.c_str(),
                static_cast<char*>(nullptr));
            _exit(127);
        }
        close(out[1]);
        FILE* first = fdopen(out[0], "r");
        char line[256] = {};
        if (first && std::fgets(line, sizeof line, first))
            m_baseURL = std::string(line, strcspn(line, "\n"));
        if (first)
            std::fclose(first);
    }
    ~DemoService()
    {
        if (m_pid > 0) {
            kill(m_pid, SIGTERM);
            waitpid(m_pid, nullptr, 0);
        }
    }
    const std::string& baseURL() const { return m_baseURL; }

    // Every logged request as a JSON object.
    std::vector<JSONValue> requests() const
    {
        std::vector<JSONValue> found;
        std::ifstream in(m_log);
        for (std::string line; std::getline(in, line);) {
            if (auto entry = JSONDeserializer().deserializeAsDictionary(line))
                found.push_back(*entry);
        }
        return found;
    }
    std::vector<JSONValue> requestsTo(const std::string& path) const
    {
        std::vector<JSONValue> found;
        for (auto& entry : requests()) {
            if (entry.find("path")->stringValue() == path)
                found.push_back(entry);
        }
        return found;
    }

private:
    pid_t m_pid { -1 };
    std::filesystem::path m_log;
    std::string m_baseURL;
};

// vantrel --headless on virtual time, pointed at the service.
struct VantrelRun {
    int status { -1 };
    std::string log;
    int count(const std::string& text) const
    {
        int n = 0;
        for (size_t at = log.find(text); at != std::string::npos; at = log.find(text, at + 1))
            ++n;
        return n;
    }
};

// A fresh folder per case, and runs of vantrel in it.
class EndToEndTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir = std::filesystem::temp_directory_path()
            / ("vantrel-e2e-" + std::to_string(getpid()) + "-"
                + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(dir);
        std::filesystem::create_directories(dir);
    }
    void TearDown() override
    {
        // Screenshots stay for a look when a case fails or VANTREL_KEEP_E2E is set.
        if (!::testing::Test::HasFailure() && !std::getenv("VANTREL_KEEP_E2E"))
            std::filesystem::remove_all(dir);
    }
    // `environment`: extra NAME=value words put before the command; `options`: more options for it.
    VantrelRun runVantrel(const DemoService& service, const std::string& script, const std::string& environment = "",
        const std::string& options = "")
    {
        std::ofstream(dir / "script.txt") << script;
        std::string command = environment + " PELLAR_AD_SERVER=" + service.baseURL() + "/ad_request PELLAR_MEDIA_HOST="
            + service.baseURL() + " " VANTREL_BINARY_DIR "/app/vantrel --headless --data-dir " + (dir / "data").string()
            + " " + options + " --script " + (dir / "script.txt").string() + " 2>&1";
        VantrelRun run;
        FILE* pipe = popen(command.c_str(), "r");
        char buffer[4096];
        for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
            run.log.append(buffer, n);
        run.status = WEXITSTATUS(pclose(pipe));
        return run;
    }
    std::shared_ptr<Image> shot(const std::string& name) const { return Image::fromFile((dir / name).string()); }

    std::filesystem::path dir;
};
