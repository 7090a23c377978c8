#include "resource/work_queue.h"

#include <process.h>

#include <utility>

#include "report/report.h"

CWorkQueue::CWorkQueue() {
    thread_ = CKernelHandle(reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, &CWorkQueue::Run, this, 0, nullptr)));
    if (!thread_) ReportTrace(L"A work thread could not be started; its jobs run where they are posted\n");
}

CWorkQueue::~CWorkQueue() { Finish(INFINITE); }

bool CWorkQueue::Finish(DWORD milliseconds) {
    if (!thread_) return true;
    AcquireSRWLockExclusive(&lock_);
    ending_ = true;
    ReleaseSRWLockExclusive(&lock_);
    WakeConditionVariable(&posted_);
    if (WaitForSingleObject(thread_.get(), milliseconds) != WAIT_OBJECT_0) return false;
    thread_.Close();
    return true;
}

void CWorkQueue::Post(std::function<void()> job) {
    if (!thread_) {
        job();
        return;
    }
    AcquireSRWLockExclusive(&lock_);
    jobs_.push_back(std::move(job));
    ++postedCount_;
    ReleaseSRWLockExclusive(&lock_);
    WakeConditionVariable(&posted_);
}

void CWorkQueue::Flush() {
    AcquireSRWLockExclusive(&lock_);
    const unsigned long long target = postedCount_;
    while (thread_ && finishedCount_ < target) {
        SleepConditionVariableSRW(&finished_, &lock_, INFINITE, 0);
    }
    ReleaseSRWLockExclusive(&lock_);
}

unsigned __stdcall CWorkQueue::Run(void* queue) {
    static_cast<CWorkQueue*>(queue)->RunJobs();
    return 0;
}

void CWorkQueue::RunJobs() {
    AcquireSRWLockExclusive(&lock_);
    for (;;) {
        while (jobs_.empty() && !ending_) {
            SleepConditionVariableSRW(&posted_, &lock_, INFINITE, 0);
        }
        if (jobs_.empty()) break;  // ending, and nothing left to run
        std::function<void()> job = std::move(jobs_.front());
        jobs_.pop_front();
        ReleaseSRWLockExclusive(&lock_);
        job();
        AcquireSRWLockExclusive(&lock_);
        ++finishedCount_;
        WakeAllConditionVariable(&finished_);
    }
    ReleaseSRWLockExclusive(&lock_);
}
