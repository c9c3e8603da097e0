// Parses and writes twitter.json, citm_catalog.json and canada.json with our
// codec, RapidJSON (Document::Parse, Writer) and nlohmann-json, then prints
// MB/s per library and the ratio ours/RapidJSON per file and direction (from
// the medians when run with --benchmark_repetitions). The table also goes to
// bench-results/json_bench.txt. Speeds use CPU time, which
// other work on a shared machine disturbs less than wall time.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <map>
#include <nlohmann/json.hpp>
#include <rapidjson/document.h>
#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>
#include <string>

#include "json/JSONDeserializer.h"
#include "json/JSONSerializer.h"

namespace {

const char* const kCorpora[] = { "twitter", "citm_catalog", "canada" };
const char* const kLibraries[] = { "ours", "rapidjson", "nlohmann" };

std::map<std::string, std::string>& corpora()
{
    static std::map<std::string, std::string> texts;
    return texts;
}

const std::string& corpus(const std::string& name)
{
    auto& texts = corpora();
    auto found = texts.find(name);
    if (found != texts.end())
        return found->second;
    std::string path = std::string(VANTREL_SOURCE_DIR) + "/tests/data/json-corpora/" + name + ".json";
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        std::fprintf(stderr, "json_bench: cannot read %s\n", path.c_str());
        std::exit(1);
    }
    return texts[name] = std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

void parseOurs(benchmark::State& state, const std::string& text)
{
    JSONDeserializer deserializer;
    for (auto _ : state) {
        auto value = deserializer.deserialize(text);
        benchmark::DoNotOptimize(value);
    }
}

void parseRapidJSON(benchmark::State& state, const std::string& text)
{
    for (auto _ : state) {
        rapidjson::Document document;
        document.Parse(text.data(), text.size());
        benchmark::DoNotOptimize(document.IsObject());
    }
}

void parseNlohmann(benchmark::State& state, const std::string& text)
{
    for (auto _ : state) {
        auto document = nlohmann::json::parse(text);
        benchmark::DoNotOptimize(document.size());
    }
}

void writeOurs(benchmark::State& state, const std::string& text)
{
    auto value = *JSONDeserializer().deserialize(text);
    JSONSerializer serializer;
    for (auto _ : state) {
        std::string out = serializer.serializeObject(value);
        benchmark::DoNotOptimize(out.data());
    }
}

void writeRapidJSON(benchmark::State& state, const std::string& text)
{
    rapidjson::Document document;
    document.Parse(text.data(), text.size());
    for (auto _ : state) {
        rapidjson::StringBuffer buffer;
        rapidjson::Writer<rapidjson::StringBuffer> writer(buffer);
        document.Accept(writer);
        benchmark::DoNotOptimize(buffer.GetString());
    }
}

void writeNlohmann(benchmark::State& state, const std::string& text)
{
    auto document = nlohmann::json::parse(text);
    for (auto _ : state) {
        std::string out = document.dump();
        benchmark::DoNotOptimize(out.data());
    }
}

// Collects MB/s (of the input document, so that every library is measured
// against the same byte count) and prints the comparison at the end.
class SummaryReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (auto& run : runs) {
            // With --benchmark_repetitions the median stands for the runs (it
            // comes after them); a single run stands for itself.
            bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
            if ((run.run_type != Run::RT_Iteration && !median) || run.error_occurred)
                continue;
            std::string name = run.run_name.str(); // direction/library/corpus
            std::string corpusName = name.substr(name.rfind('/') + 1);
            double seconds = run.GetAdjustedCPUTime() / benchmark::GetTimeUnitMultiplier(run.time_unit);
            m_megabytesPerSecond[name] = double(corpus(corpusName).size()) / 1e6 / seconds;
        }
    }
    void Finalize() override
    {
        ConsoleReporter::Finalize();
        std::string table = "direction corpus        ours MB/s  rapidjson MB/s  nlohmann MB/s  ours/rapidjson\n";
        for (const char* direction : { "Parse", "Write" }) {
            for (const char* corpusName : kCorpora) {
                double speeds[3];
                for (int i = 0; i < 3; ++i)
                    speeds[i] = m_megabytesPerSecond[std::string(direction) + "/" + kLibraries[i] + "/" + corpusName];
                if (!speeds[0] || !speeds[1])
                    continue;
                char line[160];
                std::snprintf(line, sizeof line, "%-9s %-13s %9.0f  %14.0f  %13.0f  %14.2f\n", direction, corpusName,
                    speeds[0], speeds[1], speeds[2], speeds[0] / speeds[1]);
                table += line;
            }
        }
        std::fputs(("\n" + table).c_str(), stdout);
        if (std::FILE* file = std::fopen(JSON_BENCH_SUMMARY, "w")) {
            std::fputs(table.c_str(), file);
            std::fclose(file);
        }
    }

private:
    std::map<std::string, double> m_megabytesPerSecond;
};

}

int main(int argc, char** argv)
{
    using Body = void (*)(benchmark::State&, const std::string&);
    const std::pair<const char*, Body> parsers[]
        = { { "ours", parseOurs }, { "rapidjson", parseRapidJSON }, { "nlohmann", parseNlohmann } };
    const std::pair<const char*, Body> writers[]
        = { { "ours", writeOurs }, { "rapidjson", writeRapidJSON }, { "nlohmann", writeNlohmann } };
    for (auto [direction, bodies] : { std::pair { "Parse", parsers }, std::pair { "Write", writers } }) {
        for (const char* corpusName : kCorpora) {
            for (int i = 0; i < 3; ++i) {
                const std::string& text = corpus(corpusName);
                Body body = bodies[i].second;
                benchmark::RegisterBenchmark(
                    (std::string(direction) + "/" + bodies[i].first + "/" + corpusName).c_str(),
                    [body, &text](benchmark::State& state) { body(state, text); })
                    ->Unit(benchmark::kMillisecond);
            }
        }
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    SummaryReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
