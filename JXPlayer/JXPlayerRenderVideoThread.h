#pragma once

#include "JXPlayer/JXPlayerThread.h"

class JXPlayerRender;

// The render's video thread: its body is JXPlayerRender::renderVideo().
class JXPlayerRenderVideoThread : public JXPlayerThread
{
public:
    explicit JXPlayerRenderVideoThread(JXPlayerRender *render);

protected:
    void work() override;

private:
    JXPlayerRender *render; // not owned; owns this thread
};
