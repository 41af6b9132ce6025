#pragma once
// A DialogHost for the dialog tests and the screenshot program: it records every call.

#include <QString>
#include <QStringList>

#include "app/dialogs/dialog_host.h"

namespace tavrine::test {

class RecordingHost : public DialogHost {
  public:
    bool renderBusy() const override { return busy; }
    void confirmAbort(const QString& question) override {
        calls << QStringLiteral("confirmAbort");
        abortQuestions << question;
    }
    void bringMainWindowToFront() override { calls << QStringLiteral("bringMainWindowToFront"); }
    void showTrailPreview(bool shown) override {
        calls << QStringLiteral("showTrailPreview(%1)").arg(shown ? 1 : 0);
        trailShown = shown;
    }
    RenderLayout renderLayout() const override { return layout; }
    void showRenderWindowButton(bool shown) override {
        calls << QStringLiteral("showRenderWindowButton(%1)").arg(shown ? 1 : 0);
    }
    void recreateRenderWindow(int32_t width) override {
        calls << QStringLiteral("recreateRenderWindow(%1)").arg(width);
    }
    void hideRenderWindow() override { calls << QStringLiteral("hideRenderWindow"); }
    void setRenderGeometry(int32_t sizeMode, int32_t imageWidth) override {
        calls << QStringLiteral("setRenderGeometry(%1,%2)").arg(sizeMode).arg(imageWidth);
        layout = {sizeMode, imageWidth};
    }
    void replaceRenderPicture(int32_t width) override {
        calls << QStringLiteral("replaceRenderPicture(%1)").arg(width);
    }
    void raiseRenderWindow() override { calls << QStringLiteral("raiseRenderWindow"); }
    void clearMainRenderArea() override { calls << QStringLiteral("clearMainRenderArea"); }
    void postRedrawPreview() override { calls << QStringLiteral("postRedrawPreview"); }
    void makeModelCurrent(int32_t modelIndex) override {
        calls << QStringLiteral("makeModelCurrent(%1)").arg(modelIndex);
    }

    // Returns how many recorded calls start with name.
    int count(const QString& name) const {
        int n = 0;
        for (const QString& call : calls) n += call.startsWith(name) ? 1 : 0;
        return n;
    }

    bool busy = false;
    bool trailShown = true;
    RenderLayout layout;
    QStringList calls;
    QStringList abortQuestions;
};

}  // namespace tavrine::test
