// A process that is saving a settings file is killed at random moments; the
// file must always be complete and parse, holding the content of either the
// last save that finished or the one that was under way.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <random>
#include <thread>

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
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  for (int k = 1; std::chrono::steady_clock::now() < deadline; ++k) {
    if (!saver.SaveVariant(k % kVariants)) _exit(3);
    if (write(readyFd, "s", 1) != 1) _exit(2);
  }
  _exit(0);
}

// A forked child saving in a loop; the clock starts when it says it is ready.
class SavingChild {
 public:
  explicit SavingChild(Saver& saver) {
    int fds[2];
    EXPECT_EQ(pipe2(fds, O_CLOEXEC), 0);
    pid_ = fork();
    if (pid_ == 0) {
      close(fds[0]);
      RunChild(saver, fds[1]);
    }
    close(fds[1]);
    fd_ = fds[0];
    char ready = 0;
    EXPECT_EQ(read(fd_, &ready, 1), 1);
    EXPECT_EQ(ready, 'r');
    started_ = std::chrono::steady_clock::now();
  }
  ~SavingChild() {
    if (pid_ > 0) Kill();
    close(fd_);
  }

  std::chrono::steady_clock::time_point Started() const { return started_; }

  // Blocks until the child has finished `saves` saves in all.
  void WaitForSaves(int saves) {
    char byte = 0;
    while (finished_ < saves && read(fd_, &byte, 1) == 1) finished_ += byte == 's';
  }

  // Kills the child and returns how many saves it had finished.
  int Kill() {
    kill(pid_, SIGKILL);
    int status = 0;
    waitpid(pid_, &status, 0);
    EXPECT_TRUE(WIFSIGNALED(status)) << "the child ended by itself, status " << status;
    pid_ = -1;
    char buffer[4096];
    for (ssize_t n; (n = read(fd_, buffer, sizeof(buffer))) > 0;) {
      for (ssize_t i = 0; i < n; ++i) finished_ += buffer[i] == 's';
    }
    return finished_;
  }

 private:
  pid_t pid_ = -1;
  int fd_ = -1;
  int finished_ = 0;
  std::chrono::steady_clock::time_point started_;
};

// How long a freshly forked child takes for its first `saves` saves, measured
// the way the kills meet it. A child's first saves are slower than the
// parent's (copy-on-write faults after the fork, more so under the thread
// sanitizer, whose shadow memory is copied too), so this is measured in
// children, not in the test process; the slowest of a few tries counts.
std::chrono::microseconds ChildSaveSpan(Saver& saver, int saves) {
  std::chrono::microseconds span{0};
  for (int attempt = 0; attempt < 3; ++attempt) {
    SavingChild child(saver);
    child.WaitForSaves(saves);
    auto took = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - child.Started());
    span = std::max(span, took);
  }
  return span;
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

// The test_save_kill_plain build links a writer that truncates and rewrites
// the file in place: there the test must see torn files, or it proves nothing.
#ifdef KB_PLAIN_WRITER
constexpr bool kExpectTornFiles = true;
#else
constexpr bool kExpectTornFiles = false;
#endif

constexpr int kSpanSaves = 3;       // kills land anywhere in the child's first saves
constexpr int kWidenEvery = 20;     // kills between checks of where they landed
constexpr auto kMaxWindow = std::chrono::seconds(5);

void RunKillTest(Saver& saver, Saver& reference, const char* fileName) {
  kbtest::TempFolder folder(KillTestBase());
  kbtest::TempFolder referenceFolder;
  const std::filesystem::path file = folder.File(fileName);

  // The exact bytes of each variant.
  std::string variants[kVariants];
  reference.Open(referenceFolder.WideFile(fileName));
  for (int v = 0; v < kVariants; ++v) {
    ASSERT_TRUE(reference.SaveVariant(v));
    variants[v] = kbtest::ReadBytes(referenceFolder.File(fileName));
  }
  ASSERT_NE(variants[0], variants[1]);
  ASSERT_NE(variants[1], variants[2]);
  saver.Open(folder.WideFile(fileName));
  ASSERT_TRUE(saver.SaveVariant(0));
  std::chrono::microseconds window = ChildSaveSpan(saver, kSpanSaves);
  const std::chrono::microseconds measured = window;

  std::mt19937 random(std::random_device{}());
  const int kills = KillCount();
  int leftovers = 0, torn = 0, widened = 0;
  int seen[kVariants] = {};
  int before = 0, after = 0;  // kills before the first save finished, and after
  // Against the in-place writer the kills go on until one tears the file (a
  // save spends most of its time building the text, little writing it), up
  // to ten times the count.
  int n = 0;
  for (; n < kills || (kExpectTornFiles && torn == 0 && n < 10 * kills); ++n) {
    ASSERT_TRUE(saver.SaveVariant(0));
    std::uniform_int_distribution<long> delay(0, window.count());
    int finishedSaves = 0;
    {
      SavingChild child(saver);
      std::this_thread::sleep_until(child.Started() + std::chrono::microseconds(delay(random)));
      finishedSaves = child.Kill();
    }
    (finishedSaves == 0 ? before : after) += 1;
    const std::string bytes = kbtest::ReadBytes(file);
    const int finished = finishedSaves % kVariants;
    const int underWay = (finishedSaves + 1) % kVariants;
    int variant = -1;
    for (int v = 0; v < kVariants; ++v) {
      if (bytes == variants[v]) variant = v;
    }
    leftovers += RemoveTempFiles(folder);
    if (variant < 0 && kExpectTornFiles) {
      ++torn;
      continue;
    }
    ASSERT_TRUE(variant == finished || variant == underWay)
        << "kill " << n << ": after " << finishedSaves << " saves the file holds "
        << (variant < 0 ? "a broken file of " + std::to_string(bytes.size()) + " bytes"
                        : "variant " + std::to_string(variant));
    ASSERT_TRUE(saver.Loads(file.wstring())) << "kill " << n;
    ++seen[variant];
    // A busier machine than the one measured makes every kill land before
    // the first save is through: then the window grows until some land after.
    if ((n + 1) % kWidenEvery == 0 && after == 0 && window < kMaxWindow) {
      window *= 2;
      ++widened;
    }
  }
  EXPECT_EQ(folder.Names(), std::vector<std::string>{fileName});
  std::printf("%s: %d kills over %lld us (measured %lld us for %d saves in a child, widened %d times), "
              "before/after the first save: %d/%d, file held variant 0/1/2: %d/%d/%d, torn: %d, "
              "temporary files left: %d\n",
              fileName, n, static_cast<long long>(window.count()), static_cast<long long>(measured.count()),
              kSpanSaves, widened, before, after, seen[0], seen[1], seen[2], torn, leftovers);
  if (kExpectTornFiles) {
    EXPECT_GT(torn, 0) << "a writer that rewrites the file in place was never caught";
    return;
  }
  // Without kills both before and after a finished save, the test proved nothing.
  EXPECT_GT(before, 0);
  EXPECT_GT(after, 0);
  EXPECT_GT(seen[0], 0);
  EXPECT_GT(seen[1] + seen[2], 0);
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
