#include "core/platform/inifile.h"

#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QTest>

namespace {

const QString kLanguages[] = {QStringLiteral("FR"), QStringLiteral("NL")};

// Keys of the language file's sections, as written.
QMap<QString, QSet<QString>> sectionKeys(const QString &path) {
    QMap<QString, QSet<QString>> result;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return result;
    QString section;
    for (const QString &raw : QString::fromUtf8(file.readAll()).split('\n')) {
        const QString line = raw.trimmed();
        if (line.startsWith('['))
            section = line.mid(1, line.indexOf(']') - 1).toUpper();
        else if (!section.isEmpty() && line.contains('=') && !line.startsWith(';'))
            result[section].insert(line.left(line.indexOf('=')).trimmed());
    }
    return result;
}

// The keys the program looks up one by one, and the windows' element keys.
QStringList requiredKeys() {
    QStringList keys = {"FChargeDB_CreaLog",
                        "FMain.Caption",
                        "FMain.Label8",
                        "AppConnecte",
                        "AppDeConnecte",
                        "Transfert2",
                        "Transfert3",
                        "AucunTransfert",
                        "ShowAvance",
                        "FTransfer_DbInexist",
                        "FTransfer_DebCopie",
                        "FTransfer_1.Label1",
                        "FTransfer_FinDB",
                        "FTransfer_FinDB2",
                        "FBornage_Zones",
                        "FBornage_quantite",
                        "FVidage_Pasfichier",
                        "FVidage_PasZone",
                        "FVidage_PasZone2",
                        "FVidage_Add",
                        "FVidage_zone",
                        "FVidage_DejaSaisie",
                        "FVidage_DejaSaisie2",
                        "FVidage_DejaSaisie3",
                        "FVidage_Transok",
                        "FVidage_Transko",
                        "FBornage_Secteur",
                        "FBornage_NomSecteur",
                        "FBornage_Volumes",
                        "FBornage_Avancement",
                        "FBornage_nbfichier",
                        "FParam_1.Label10",
                        "FParam_DelImp",
                        "FParam_Reinit",
                        "FParam_save",
                        "FParam_Vide",
                        "Confirmer",
                        "Annuler",
                        "Transfert",
                        "Button2_Msg1",
                        "SAUVEOK",
                        "FChargeDB_ChoixProduit",
                        "FChargeDB_ChoixDB",
                        "FChargeDB_CreaDB",
                        "FChargeDB_FinDB",
                        "FChargeDB_FinDB2",
                        "FChargeDB_FinDB3"};
    const QMap<QString, QString> elements = {
        {"FMain", "Panel1 Label6 Label8 Label9 LInvent Panel8 Button3 Panel7 Button2 Panel6 "
                  "Button1 Panel2 PanelGen Label1 PanelTransf Label2 PanelVidage Label3 Panel3 "
                  "Label4 Panel4 Label5 Panel5 Label7"},
        {"FChargeBD", "Label11 Label12 Panel1 Panel2 Panel3 Label2 Label4 Label13 Label14 "
                      "ButtonCharger ButtonFermer RadioButton1 RadioButton2 "
                      "ButtonOpenDialogTexte CBXTP CBXLivre CBXVideo CBXMedia CBXPapet "
                      "CBXDisque CBXDivers Panel4 Label7 Label8 Label1 Label3 Label5 Label6 "
                      "ButtonOpenDialog Button1"},
        {"FTransfer", "Panel1 Panel2 Panel3 Label1 ButtonTransfer ButtonFermer"},
        {"FVidage", "Panel1 Panel2 Panel3 ButtonTransfer ButtonFermer"},
        {"FParam", "Panel1 Panel2 Panel3 Label1 Label2 ButtonFermer RadioButtonTT RadioButtonV "
                   "Panel5 Label8 Label7 Label3 Label4 Label5 Label6 ButtonOpenDialog "
                   "ButtonOpenDialogCheminSecu Panel8 Label10 Label14 Label15 Label16 Label17 "
                   "Label18 Label19 Label20 ButtonOpenDialogCheminFTP TestFTP CBTransfert "
                   "CheckButtonFTP Button1 Panel6 Panel4 ButtonInit CBXProgExt ButtonProgExt "
                   "Supprimerlesecteur1"},
        {"FBornage", "Panel1 Panel2 Panel3 Label1 ButtonFermer Panel4 Panel5 MenuZV"},
    };
    for (auto it = elements.begin(); it != elements.end(); ++it)
        for (const QString &element : it.value().split(' ', Qt::SkipEmptyParts))
            keys.append(it.key() + '.' + element);
    return keys;
}

// Every key the code looks up by name: tr("…") and lookup("…", …) calls.
QSet<QString> keysUsedBySources() {
    QSet<QString> keys;
    const QRegularExpression call(
        QStringLiteral("(?:\\btr|lookup|message)\\(\\s*(?:QStringLiteral\\()?\"([^\"]+)\""));
    QDirIterator it(QStringLiteral(KORVELLO_SOURCE_DIR "/src"), {"*.cpp", "*.h"}, QDir::Files,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        QFile file(it.next());
        if (!file.open(QIODevice::ReadOnly))
            continue;
        const QString text = QString::fromUtf8(file.readAll());
        for (const auto &match : call.globalMatch(text))
            keys.insert(match.captured(1));
    }
    return keys;
}

} // namespace

class TestLanguageFile : public QObject {
    Q_OBJECT

    // The copy the build puts next to the programs, which is the one they read.
    const QString m_path = QStringLiteral(KORVELLO_BIN_DIR "/korvello.lng");

private slots:
    void sitsNextToThePrograms() { QVERIFY2(QFile::exists(m_path), qPrintable(m_path)); }

    void bothLanguagesHaveTheSameKeys() {
        const auto keys = sectionKeys(m_path);
        QVERIFY(!keys.value("FR").isEmpty());
        QCOMPARE(keys.value("FR") - keys.value("NL"), QSet<QString>());
        QCOMPARE(keys.value("NL") - keys.value("FR"), QSet<QString>());
    }

    void everyKeyTheProgramNeedsIsThere() {
        const auto keys = sectionKeys(m_path);
        QSet<QString> needed = keysUsedBySources();
        QVERIFY2(needed.contains("FChargeDB_CreaLog"), "the source scan found no lookups");
        for (const QString &key : requiredKeys())
            needed.insert(key);
        for (const QString &language : kLanguages) {
            QStringList missing;
            for (const QString &key : needed)
                if (!keys.value(language).contains(key))
                    missing.append(key);
            missing.sort();
            QVERIFY2(missing.isEmpty(), qPrintable(language + ": " + missing.join(", ")));
        }
    }

    void accentsSurvive() {
        IniFile lng(m_path);
        QCOMPARE(lng.readString("FR", "FMain.Label5", ""), QString::fromUtf8("Paramètres"));
        QCOMPARE(lng.readString("FR", "FParam.RadioButtonV", ""),
                 QString::fromUtf8("[ Les zones validées"));
    }
};

QTEST_GUILESS_MAIN(TestLanguageFile)
#include "tst_languagefile.moc"
