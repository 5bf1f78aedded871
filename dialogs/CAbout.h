// The about box: the product banner, the version and links to the product's support address
// and home page.
#pragma once

#include <QDialog>

namespace zentrova {

class CHyperLink;

inline constexpr char kSupportAddress[] = "mailto:support@zentrova.example";
inline constexpr char kSupportText[] = "support@zentrova.example";
inline constexpr char kHomepageAddress[] = "https://zentrova.example/ipod-video-converter";

class CAbout : public QDialog {
    Q_OBJECT
public:
    explicit CAbout(QWidget *parent = nullptr);

    CHyperLink *SupportLink() const { return m_support; }
    CHyperLink *HomepageLink() const { return m_homepage; }

private:
    CHyperLink *m_support;
    CHyperLink *m_homepage;
};

} // namespace zentrova
