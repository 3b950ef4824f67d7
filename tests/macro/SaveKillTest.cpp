// A process that is saving a settings file is killed at random moments; the
// file must always be complete and parse, holding the content of either the
// last save that finished or the one that was under way.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <memory>
#include <random>

#include "golden/GoldenFiles.h"
#include "keyboard/LedEffectTable.h"
#include "keyboard/SideModelTable.h"
#include "macro/MacroStore.h"
#include "macro/RecordStore.h"
#include "platform/save_file.h"

namespace {

constexpr int kVariants = 3;
constexpr int kDefaultKills = 200;

// One kind of settings file: writes one of three distinct contents.
class Saver {
 public:
  virtual ~Saver() = default;
  // Points the store at `path` and gives it the shape the variants vary.
  virtual void Open(const std::wstring& path) = 0;
  virtual bool SaveVariant(int variant) = 0;
  // Whether a fresh store loads the file at `path`.
  virtual bool Loads(const std::wstring& path) = 0;
};

class LedEffectSaver : public Saver {
 public:
  void Open(const std::wstring& path) override { table_.Load(path); }
  bool SaveVariant(int v) override {
    for (int i = 0; i < LedEffectTable::kEntryCount; ++i) {
      *table_.GetEntry(i) = LedEffectEntry{static_cast<uint8_t>((i + v) % 6), static_cast<uint8_t>(v % 3),
                                           static_cast<uint8_t>(v % 2), static_cast<uint8_t>(1 + v % 2)};
    }
    return table_.SetCurrent(v + 1);
  }
  bool Loads(const std::wstring& path) override { return LedEffectTable().Load(path); }

 private:
  LedEffectTable table_;
};

class SideModelSaver : public Saver {
 public:
  void Open(const std::wstring& path) override { table_.Load(path); }
  bool SaveVariant(int v) override {
    for (int i = 0; i < SideModelTable::kEntryCount; ++i) table_.GetEntry(i)->brightness = static_cast<uint8_t>((i + v) % 8);
    return table_.SetCurrent(v);
  }
  bool Loads(const std::wstring& path) override { return SideModelTable().Load(path); }

 private:
  SideModelTable table_;
};

class MacroSaver : public Saver {
 public:
  static constexpr int kGroups = 12;
  void Open(const std::wstring& path) override {
    store_.Load(path);
    store_.Reset();
    for (int i = 0; i < kGroups; ++i) store_.AddGroup();
  }
  bool SaveVariant(int v) override {
    store_.Settings().repeat = v;
    for (int g = 0; g < kGroups; ++g) {
      MacroGroup* group = store_.GroupAt(g);
      group->name = L"\u5b8f " + std::to_wstring(g) + L" v" + std::to_wstring(v);
      group->steps.assign(static_cast<size_t>(10 + 5 * v), KeyStep{MakeKeyCode(kUsagePageKeyboard, 4 + g % 26),
                                                                     KeyStep::kDown, 10 * v, L"Key & <name>"});
    }
    return store_.Save();
  }
  bool Loads(const std::wstring& path) override { return MacroStore().Load(path); }

 private:
  MacroStore store_;
};

class RecordSaver : public Saver {
 public:
  static constexpr KeyCode kRecords = 16;
  void Open(const std::wstring& path) override {
    store_.Load(path);
    store_.Clear();
    for (KeyCode code = 1; code <= kRecords; ++code) {
      KeyRecord record;
      record.code = code;
      store_.Upsert(record);
    }
  }
  bool SaveVariant(int v) override {
    for (KeyCode code = 1; code <= kRecords; ++code) {
      KeyRecord record{code, v, 2, v, L"key " + std::to_wstring(code), L"\u7ec4 v" + std::to_wstring(v), {}};
      record.steps.assign(static_cast<size_t>(8 + 4 * v), KeyStep{code + 0x70000, KeyStep::kUp, v, L"step"});
      store_.Upsert(record);  // replaces in place: no save
    }
    return store_.Save();
  }
  bool Loads(const std::wstring& path) override { return RecordStore().Load(path); }

 private:
  RecordStore store_;
};

int KillCount() {
  const char* text = std::getenv("KB_KILL_COUNT");
  int count = text != nullptr ? std::atoi(text) : 0;
  return count > 0 ? count : kDefaultKills;
}

// Saves variant 1, 2, 0, 1 ... and reports each finished save with one byte.
[[noreturn]] void RunChild(Saver& saver, int readyFd) {
  prctl(PR_SET_PDEATHSIG, SIGKILL);
  if (write(readyFd, "r", 1) != 1) _exit(2);
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  for (int k = 1; std::chrono::steady_clock::now() < deadline; ++k) {
    if (!saver.SaveVariant(k % kVariants)) _exit(3);
    if (write(readyFd, "s", 1) != 1) _exit(2);
  }
  _exit(0);
}

struct KillOutcome {
  int savesFinished = 0;
  std::string bytes;
};

KillOutcome KillWhileSaving(Saver& saver, const std::filesystem::path& file, std::mt19937& random,
                            std::chrono::microseconds window) {
  int fds[2];
  EXPECT_EQ(pipe2(fds, O_CLOEXEC), 0);
  pid_t pid = fork();
  if (pid == 0) {
    close(fds[0]);
    RunChild(saver, fds[1]);
  }
  close(fds[1]);
  char ready = 0;
  EXPECT_EQ(read(fds[0], &ready, 1), 1);
  std::uniform_int_distribution<long> delay(0, window.count());
  usleep(static_cast<useconds_t>(delay(random)));
  kill(pid, SIGKILL);
  int status = 0;
  waitpid(pid, &status, 0);
  EXPECT_TRUE(WIFSIGNALED(status)) << "the child ended by itself, status " << status;

  KillOutcome outcome;
  char buffer[4096];
  for (ssize_t n; (n = read(fds[0], buffer, sizeof(buffer))) > 0;) {
    for (ssize_t i = 0; i < n; ++i) outcome.savesFinished += buffer[i] == 's';
  }
  close(fds[0]);
  outcome.bytes = kbtest::ReadBytes(file);
  return outcome;
}

int RemoveTempFiles(const kbtest::TempFolder& folder) {
  int removed = 0;
  const std::string marker = std::filesystem::path(kb::kSaveTempMarker).string();
  for (const std::string& name : folder.Names()) {
    if (name.find(marker) == std::string::npos) continue;
    std::filesystem::remove(folder.File(name));
    ++removed;
  }
  return removed;
}

// A kill leaves the page cache intact, so what is on trial is the order of
// writes and the rename, not the disk: tmpfs keeps the test fast.
std::filesystem::path KillTestBase() {
  std::error_code ignored;
  return std::filesystem::is_directory("/dev/shm", ignored) ? std::filesystem::path("/dev/shm")
                                                            : std::filesystem::temp_directory_path();
}

void RunKillTest(Saver& saver, Saver& reference, const char* fileName) {
  kbtest::TempFolder folder(KillTestBase());
  kbtest::TempFolder referenceFolder;
  const std::filesystem::path file = folder.File(fileName);

  // The exact bytes of each variant, and how long one save takes here.
  std::string variants[kVariants];
  reference.Open(referenceFolder.WideFile(fileName));
  for (int v = 0; v < kVariants; ++v) {
    ASSERT_TRUE(reference.SaveVariant(v));
    variants[v] = kbtest::ReadBytes(referenceFolder.File(fileName));
  }
  ASSERT_NE(variants[0], variants[1]);
  ASSERT_NE(variants[1], variants[2]);
  saver.Open(folder.WideFile(fileName));
  auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < 6; ++i) ASSERT_TRUE(saver.SaveVariant(i % kVariants));
  auto perSave = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start) / 6;
  // Kills land anywhere in the first few saves, child start-up excluded.
  const std::chrono::microseconds window = perSave * 3 + std::chrono::microseconds(300);

  std::mt19937 random(std::random_device{}());
  const int kills = KillCount();
  int leftovers = 0;
  int seen[kVariants] = {};
  for (int n = 0; n < kills; ++n) {
    ASSERT_TRUE(saver.SaveVariant(0));
    KillOutcome outcome = KillWhileSaving(saver, file, random, window);
    const int finished = outcome.savesFinished % kVariants;
    const int underWay = (outcome.savesFinished + 1) % kVariants;
    int variant = -1;
    for (int v = 0; v < kVariants; ++v) {
      if (outcome.bytes == variants[v]) variant = v;
    }
    ASSERT_TRUE(variant == finished || variant == underWay)
        << "kill " << n << ": after " << outcome.savesFinished << " saves the file holds "
        << (variant < 0 ? "a broken file of " + std::to_string(outcome.bytes.size()) + " bytes"
                        : "variant " + std::to_string(variant));
    ASSERT_TRUE(saver.Loads(file.wstring())) << "kill " << n;
    ++seen[variant];
    leftovers += RemoveTempFiles(folder);
  }
  EXPECT_EQ(folder.Names(), std::vector<std::string>{fileName});
  // Without kills both before and after a finished save, the test proved nothing.
  EXPECT_GT(seen[0], 0);
  EXPECT_GT(seen[1] + seen[2], 0);
  std::printf("%s: %d kills, %.0f us per save, file held variant 0/1/2: %d/%d/%d, temporary files left: %d\n",
              fileName, kills, static_cast<double>(perSave.count()), seen[0], seen[1], seen[2], leftovers);
}

TEST(SaveKillTest, LedEffectFile) {
  LedEffectSaver saver, reference;
  RunKillTest(saver, reference, "ledeffect.xml");
}

TEST(SaveKillTest, SideModelFile) {
  SideModelSaver saver, reference;
  RunKillTest(saver, reference, "sidemodel.xml");
}

TEST(SaveKillTest, MacroFile) {
  MacroSaver saver, reference;
  RunKillTest(saver, reference, "macro.xml");
}

TEST(SaveKillTest, RecordFile) {
  RecordSaver saver, reference;
  RunKillTest(saver, reference, "record.xml");
}

}  // namespace
