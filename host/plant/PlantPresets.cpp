#include "host/plant/PlantPresets.h"

#include <cstring>

namespace {

// German, English, French, Italian, Spanish, Dutch, Polish: the panel's order.
using Words = const char* const[kLanguageCount];

constexpr Words kWords[static_cast<int>(PlantWord::Count)] = {
    {"Temperaturen", "Temperatures", "Températures", "Temperature", "Temperaturas", "Temperaturen", "Temperatury"},
    {"Pumpe und Durchfluss", "Pump and flow", "Pompe et débit", "Pompa e portata", "Bomba y caudal", "Pomp en debiet",
     "Pompa i przepływ"},
    {"Status und Anzeigen", "Status and flags", "État et signaux", "Stato e segnali", "Estado y señales",
     "Status en signalen", "Stan i sygnały"},
    {"Störung", "Fault", "Défaut", "Guasto", "Avería", "Storing", "Usterka"},
    {"Inbetriebnahme", "Commissioning", "Mise en service", "Messa in funzione", "Puesta en marcha", "Inbedrijfstelling",
     "Uruchomienie"},
    {"Szenarien", "Presets", "Scénarios", "Scenari", "Escenarios", "Scenario's", "Scenariusze"},
    {"Störungsspeicher", "Fault history", "Historique des défauts", "Storico guasti", "Historial de averías",
     "Storingsgeheugen", "Historia usterek"},
    {"Uhr", "Clock", "Horloge", "Orologio", "Reloj", "Klok", "Zegar"},
    {"Seite", "Page", "Page", "Pagina", "Página", "Pagina", "Strona"},
    {"Fühler fehlt", "sensor absent", "sonde absente", "sonda assente", "sonda ausente", "voeler ontbreekt",
     "brak czujnika"},
    {"Fühler defekt", "sensor faulty", "sonde défectueuse", "sonda guasta", "sonda averiada", "voeler defect",
     "czujnik uszkodzony"},
    {"Auslösen", "Raise", "Déclencher", "Attiva", "Activar", "Activeren", "Wywołaj"},
    {"Löschen", "Clear", "Effacer", "Cancella", "Borrar", "Wissen", "Usuń"},
    {"In den Speicher", "Add to history", "Ajouter à l'historique", "Aggiungi allo storico", "Añadir al historial",
     "In geheugen zetten", "Dodaj do historii"},
    {"Startwerte", "Reset to start values", "Valeurs de départ", "Valori iniziali", "Valores iniciales", "Startwaarden",
     "Wartości początkowe"},
    {"Aktuell", "Current", "Actuel", "Attuale", "Actual", "Huidig", "Bieżąca"},
    {"leer", "empty", "vide", "vuoto", "vacío", "leeg", "pusty"},
    {"Stellen", "Set", "Régler", "Imposta", "Ajustar", "Instellen", "Ustaw"},
    {"Zeitpunkt", "Time", "Heure", "Ora", "Hora", "Tijdstip", "Czas"},
    {"Eintrag löschen", "Delete entry", "Supprimer l'entrée", "Elimina voce", "Borrar entrada", "Item wissen",
     "Usuń wpis"},
    {"Speicher leeren", "Empty history", "Vider l'historique", "Svuota storico", "Vaciar historial", "Geheugen legen",
     "Wyczyść historię"},
};

struct Label {
    const char* name;
    Words words;
};

constexpr Label kLabels[] = {
    {"collector", {"Kollektor", "Collector", "Capteur", "Collettore", "Colector", "Collector", "Kolektor"}},
    {"solar.return",
     {"Solarrücklauf", "Solar return", "Retour solaire", "Ritorno solare", "Retorno solar", "Zonneretour",
      "Powrót solarny"}},
    {"solar.supply",
     {"Solarvorlauf", "Solar supply", "Départ solaire", "Mandata solare", "Impulsión solar", "Zonnetoevoer",
      "Zasilanie solarne"}},
    {"tank1.top",
     {"Speicher oben", "Tank top", "Ballon haut", "Accumulo alto", "Depósito arriba", "Boiler boven", "Zasobnik góra"}},
    {"tank1.bottom",
     {"Speicher unten", "Tank bottom", "Ballon bas", "Accumulo basso", "Depósito abajo", "Boiler onder",
      "Zasobnik dół"}},
    {"tank2.top",
     {"Speicher 2 oben", "Tank 2 top", "Ballon 2 haut", "Accumulo 2 alto", "Depósito 2 arriba", "Boiler 2 boven",
      "Zasobnik 2 góra"}},
    {"tank2.bottom",
     {"Speicher 2 unten", "Tank 2 bottom", "Ballon 2 bas", "Accumulo 2 basso", "Depósito 2 abajo", "Boiler 2 onder",
      "Zasobnik 2 dół"}},
    {"outside", {"Außentemperatur", "Outside", "Extérieur", "Esterno", "Exterior", "Buiten", "Zewnętrzna"}},
    {"collector.max",
     {"Kollektor max.", "Collector max.", "Capteur max.", "Collettore max.", "Colector máx.", "Collector max.",
      "Kolektor maks."}},
    {"collector1",
     {"Zusatz Kollektor 1", "Extra collector 1", "Capteur supp. 1", "Collettore agg. 1", "Colector adic. 1",
      "Extra collector 1", "Dod. kolektor 1"}},
    {"outside1",
     {"Zusatz außen 1", "Extra outside 1", "Extérieur supp. 1", "Esterno agg. 1", "Exterior adic. 1", "Extra buiten 1",
      "Dod. zewnętrzna 1"}},
    {"collector2",
     {"Zusatz Kollektor 2", "Extra collector 2", "Capteur supp. 2", "Collettore agg. 2", "Colector adic. 2",
      "Extra collector 2", "Dod. kolektor 2"}},
    {"outside2",
     {"Zusatz außen 2", "Extra outside 2", "Extérieur supp. 2", "Esterno agg. 2", "Exterior adic. 2", "Extra buiten 2",
      "Dod. zewnętrzna 2"}},
    {"pump.speed",
     {"Pumpendrehzahl", "Pump speed", "Vitesse pompe", "Velocità pompa", "Velocidad bomba", "Pomptoerental",
      "Obroty pompy"}},
    {"pump.lock",
     {"Handbetrieb gesperrt", "Manual speed locked", "Vitesse manuelle bloquée", "Velocità manuale bloccata",
      "Velocidad manual bloqueada", "Handbediening vergrendeld", "Ręczne obroty zablokowane"}},
    {"flow", {"Durchfluss", "Flow rate", "Débit", "Portata", "Caudal", "Debiet", "Przepływ"}},
    {"flow.faulty",
     {"Durchflussgeber defekt", "Flow sensor faulty", "Débitmètre défectueux", "Flussimetro guasto",
      "Caudalímetro averiado", "Debietmeter defect", "Przepływomierz uszkodzony"}},
    {"solar.output",
     {"Solarleistung", "Solar output", "Puissance solaire", "Potenza solare", "Potencia solar", "Zonnevermogen",
      "Moc solarna"}},
    {"status",
     {"Reglerstatus", "Controller status", "État du régulateur", "Stato regolatore", "Estado del regulador",
      "Regelaarstatus", "Stan regulatora"}},
    {"frost", {"Frost", "Frost", "Gel", "Gelo", "Helada", "Vorst", "Mróz"}},
    {"icon.flame",
     {"Flammensymbol", "Flame icon", "Symbole flamme", "Simbolo fiamma", "Símbolo llama", "Vlamsymbool",
      "Symbol płomienia"}},
    {"icon.clock",
     {"Uhrsymbol", "Clock icon", "Symbole horloge", "Simbolo orologio", "Símbolo reloj", "Kloksymbool",
      "Symbol zegara"}},
    {"tank1.full",
     {"Speicher voll", "Tank full", "Ballon plein", "Accumulo pieno", "Depósito lleno", "Boiler vol",
      "Zasobnik pełny"}},
    {"tank2.full",
     {"Speicher 2 voll", "Tank 2 full", "Ballon 2 plein", "Accumulo 2 pieno", "Depósito 2 lleno", "Boiler 2 vol",
      "Zasobnik 2 pełny"}},
    {"tank2.row",
     {"Fünfte Messzeile", "Fifth reading shown", "5e mesure affichée", "Quinta misura visibile",
      "Quinta medida visible", "Vijfde meting getoond", "Piąty pomiar widoczny"}},
    {"extra.offered",
     {"Zusatzfühler vorhanden", "Extra sensors fitted", "Sondes supp. présentes", "Sonde agg. presenti",
      "Sondas adic. presentes", "Extra voelers aanwezig", "Dodatkowe czujniki"}},
    {"dialog",
     {"Update-Dialog offen", "Update dialog open", "Dialogue de mise à jour", "Finestra aggiornamento",
      "Diálogo de actualización", "Updatevenster open", "Okno aktualizacji"}},
    {"fault", {"Störung", "Fault", "Défaut", "Guasto", "Avería", "Storing", "Usterka"}},
    {"commissioning.possible",
     {"Inbetriebnahme möglich", "Commissioning possible", "Mise en service possible", "Messa in funzione possibile",
      "Puesta en marcha posible", "Inbedrijfstelling mogelijk", "Uruchomienie możliwe"}},
    {"commissioning.step", {"Schritt", "Step", "Étape", "Passo", "Paso", "Stap", "Krok"}},
    {"commissioning.vent",
     {"Entlüften verlangt", "Venting asked", "Purge demandée", "Sfiato richiesto", "Purga solicitada",
      "Ontluchten gevraagd", "Odpowietrzanie"}},
    {"commissioning.hold", {"Angehalten", "Held", "En attente", "In attesa", "En espera", "Wacht", "Wstrzymane"}},
    {"commissioning.counter",
     {"Durchlaufzähler", "Run counter", "Compteur de passages", "Contatore cicli", "Contador de ciclos",
      "Doorloopteller", "Licznik przebiegów"}},
};

constexpr const char* kTemperatures[] = {"collector", "solar.return", "solar.supply", "tank1.top",     "tank1.bottom",
                                         "tank2.top", "tank2.bottom", "outside",      "collector.max", "collector1",
                                         "outside1",  "collector2",   "outside2"};
constexpr const char* kPumpAndFlow[] = {"pump.speed", "pump.lock", "flow", "flow.faulty", "solar.output"};
constexpr const char* kStatusAndFlags[] = {"status",     "frost",     "icon.flame",    "icon.clock", "tank1.full",
                                           "tank2.full", "tank2.row", "extra.offered", "dialog"};
constexpr const char* kFault[] = {"fault"};
constexpr const char* kCommissioning[] = {"commissioning.possible", "commissioning.step", "commissioning.vent",
                                          "commissioning.hold", "commissioning.counter"};

constexpr PlantGroup kGroups[] = {
    {PlantWord::Temperatures, kTemperatures},     {PlantWord::PumpAndFlow, kPumpAndFlow},
    {PlantWord::StatusAndFlags, kStatusAndFlags}, {PlantWord::Fault, kFault},
    {PlantWord::Commissioning, kCommissioning},
};

// Each preset starts from the start values, so it looks the same whatever
// was set before.
constexpr PlantPreset kPresets[] = {
    {"frost-night",
     {"Frostnacht", "Frost night", "Nuit de gel", "Notte di gelo", "Noche de helada", "Vorstnacht", "Mroźna noc"},
     "outside -12.0\ncollector -15.5\nsolar.return -2.0\nsolar.supply -4.0\ntank1.top 48.0\ntank1.bottom 31.0\n"
     "pump.speed 0\nflow 0.0\nstatus 1\nfrost on"},
    {"tank-full",
     {"Speicher voll", "Tank full", "Ballon plein", "Accumulo pieno", "Depósito lleno", "Boiler vol", "Zasobnik pełny"},
     "collector 96.0\ntank1.top 85.0\ntank1.bottom 82.0\ntank1.full on\npump.speed 0\nflow 0.0\nstatus 5"},
    {"collector-sensor-broken",
     {"Kollektorfühler defekt", "Collector sensor broken", "Sonde capteur défectueuse", "Sonda collettore guasta",
      "Sonda del colector averiada", "Collectorvoeler defect", "Czujnik kolektora uszkodzony"},
     "collector.faulty on\nfault 22"},
    {"summer-noon",
     {"Sommermittag", "Summer noon", "Midi en été", "Mezzogiorno d'estate", "Mediodía de verano", "Zomermiddag",
      "Letnie południe"},
     "collector 95.5\noutside 31.0\nsolar.supply 88.0\nsolar.return 61.0\ntank1.top 68.0\ntank1.bottom 45.0\n"
     "pump.speed 1000\nflow 8.5\nsolar.output 5400\nstatus 4"},
};

Language Checked(Language language) { return language < kLanguageCount ? language : kEnglish; }

}  // namespace

const char* PlantWordText(PlantWord word, Language language) {
    const int w = static_cast<int>(word);
    return w >= 0 && w < static_cast<int>(PlantWord::Count) ? kWords[w][Checked(language)] : "";
}

const char* PlantLabel(int entry, Language language) {
    const auto entries = PlantModel::Entries();
    if (entry < 0 || entry >= static_cast<int>(entries.size())) return "";
    const char* name = entries[static_cast<std::size_t>(entry)].name;
    for (const Label& label : kLabels) {
        if (std::strcmp(label.name, name) == 0) return label.words[Checked(language)];
    }
    return name;
}

std::span<const PlantGroup> PlantGroups() { return kGroups; }

bool IsSensorFlag(int entry) {
    const auto entries = PlantModel::Entries();
    if (entry < 0 || entry >= static_cast<int>(entries.size())) return false;
    for (const PlantEntry& e : entries) {
        if (e.absentFlag != nullptr && std::strcmp(e.absentFlag, entries[static_cast<std::size_t>(entry)].name) == 0)
            return true;
    }
    return false;
}

std::span<const PlantPreset> PlantPresets() { return kPresets; }

std::string ApplyPlantPreset(PlantModel& plant, std::string_view key) {
    for (const PlantPreset& preset : kPresets) {
        if (key != preset.key) continue;
        plant.Reset();
        return plant.ApplyLines(preset.lines);
    }
    return "unknown preset '" + std::string(key) + "'";
}
