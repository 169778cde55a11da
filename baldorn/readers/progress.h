// Progress of the file readers, delivered to the caller's notify target.
#pragma once

#include <cstdio>

#include "baldorn/baldorn.h"

namespace baldorn {

class Progress {
  public:
    explicit Progress(BaldornNotifyTarget* target) : target_(target) {}
    void Send(long percent) const {
        if (target_ && target_->notify)
            target_->notify(target_->context, BALDORN_MSG_PROGRESS, percent, 0);
    }
    // Percentage of the file read so far, computed in 64 bits.
    void SendPosition(std::FILE* file, long long length) const {
        if (!target_ || length <= 0) return;
        const long long pos = ftello(file);
        long long percent = pos < 0 ? 0 : pos * 100 / length;
        if (percent > 100) percent = 100;
        Send(static_cast<long>(percent));
    }

  private:
    BaldornNotifyTarget* target_;
};

}  // namespace baldorn
