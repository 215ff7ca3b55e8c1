#include "updatetexts.h"

namespace {

QString pick(bool zh, const char *chinese, const char *english)
{
    return zh ? QString::fromUtf8(chinese) : QString::fromUtf8(english);
}

}

QString UpdateTexts::heading(bool zh)
{
    return pick(zh, "更新内容", "Updates");
}

QString UpdateTexts::updateButton(bool zh)
{
    return pick(zh, "更新", "Update");
}

QString UpdateTexts::updatingButton(bool zh)
{
    return pick(zh, "更新中", "Updating");
}

QString UpdateTexts::finishButton(bool zh)
{
    return pick(zh, "完成", "Finish");
}

QString UpdateTexts::failure(int err, bool zh)
{
    QString reason;
    switch (err) {
    case -1:
        reason = pick(zh, "获取更新文件列表失败！", "File list error!");
        break;
    case -2:
        reason = pick(zh, "下载文件失败！", "File download error!");
        break;
    case -3:
        reason = pick(zh, "重命名文件失败！", "Rename file error!");
        break;
    }
    return reason + pick(zh, "请重试！", "Please retry!");
}
