#include "params/wizardpara.h"
#include "testenv.h"
TEST(WizardPara, Placeholder) { WizardPara p; EXPECT_EQ(p.video_fps, 3); }
