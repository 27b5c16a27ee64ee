#include "std_stream.h"

#include <windows.h>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <utility>

namespace {

constexpr size_t kMaxQueued = 64;

struct Queue {
  std::mutex mutex;
  std::condition_variable changed;
  std::deque<std::pair<DWORD, std::string>> lines;
  bool writing = false;
};

Queue& TheQueue() {
  static Queue queue;
  return queue;
}

void WriterLoop() {
  Queue& q = TheQueue();
  for (;;) {
    std::pair<DWORD, std::string> item;
    {
      std::unique_lock<std::mutex> lock(q.mutex);
      q.changed.wait(lock, [&] { return !q.lines.empty(); });
      item = std::move(q.lines.front());
      q.lines.pop_front();
      q.writing = true;
    }
    HANDLE h = GetStdHandle(item.first);
    DWORD written = 0;
    WriteFile(h, item.second.data(), static_cast<DWORD>(item.second.size()), &written, nullptr);
    {
      std::lock_guard<std::mutex> lock(q.mutex);
      q.writing = false;
    }
    q.changed.notify_all();
  }
}

void Enqueue(DWORD which, const std::wstring& line) {
  HANDLE h = GetStdHandle(which);
  if (h == nullptr || h == INVALID_HANDLE_VALUE) return;  // started without handles (shell)
  std::wstring text = line + L"\r\n";
  int bytes = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  if (bytes <= 0) return;
  std::string utf8(static_cast<size_t>(bytes), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), utf8.data(), bytes, nullptr, nullptr);
  static std::once_flag started;
  std::call_once(started, [] { std::thread(WriterLoop).detach(); });
  Queue& q = TheQueue();
  {
    std::lock_guard<std::mutex> lock(q.mutex);
    if (q.lines.size() >= kMaxQueued) return;
    q.lines.emplace_back(which, std::move(utf8));
  }
  q.changed.notify_all();
}

}  // namespace

void WriteOutLine(const std::wstring& line) { Enqueue(STD_OUTPUT_HANDLE, line); }
void WriteErrLine(const std::wstring& line) { Enqueue(STD_ERROR_HANDLE, line); }

void DrainStdStreams() {
  Queue& q = TheQueue();
  std::unique_lock<std::mutex> lock(q.mutex);
  q.changed.wait_for(lock, std::chrono::seconds(2), [&] { return q.lines.empty() && !q.writing; });
}
