#include "host/PlantWords.h"

#include <iterator>

namespace {

struct Row {
    const char* key;
    const char* word[7];  // German, English, French, Italian, Spanish, Dutch, Polish
};

// clang-format off
constexpr Row kWords[] = {
    // Groups.
    {"group.panel", {"Bedienteil", "Panel", "Écran", "Pannello", "Panel", "Bedieningspaneel", "Panel"}},
    {"group.presets", {"Situationen", "Situations", "Situations", "Situazioni", "Situaciones", "Situaties", "Sytuacje"}},
    {"group.temperatures", {"Temperaturen", "Temperatures", "Températures", "Temperature", "Temperaturas", "Temperaturen", "Temperatury"}},
    {"group.pump", {"Pumpe und Volumenstrom", "Pump and flow", "Pompe et débit", "Pompa e portata", "Bomba y caudal", "Pomp en debiet", "Pompa i przepływ"}},
    {"group.status", {"Status und Anzeigen", "Status and signs", "État et symboles", "Stato e simboli", "Estado y símbolos", "Status en symbolen", "Stan i symbole"}},
    {"group.fault", {"Störung", "Fault", "Défaut", "Anomalia", "Avería", "Storing", "Usterka"}},
    {"group.history", {"Störungsspeicher", "Fault history", "Historique des défauts", "Storico anomalie", "Historial de averías", "Storingsgeheugen", "Historia usterek"}},
    {"group.commissioning", {"Inbetriebnahme", "Commissioning", "Mise en service", "Messa in funzione", "Puesta en marcha", "Ingebruikname", "Uruchomienie"}},
    // The panel.
    {"page", {"Seite", "Page", "Page", "Pagina", "Página", "Pagina", "Strona"}},
    {"clock", {"Uhr", "Clock", "Horloge", "Orologio", "Reloj", "Klok", "Zegar"}},
    {"clock.set", {"Stellen", "Set", "Régler", "Imposta", "Ajustar", "Instellen", "Ustaw"}},
    // Temperatures.
    {"collector", {"Kollektor", "Collector", "Capteur", "Collettore", "Colector", "Collector", "Kolektor"}},
    {"solar.return", {"Solarrücklauf", "Solar return", "Retour solaire", "Ritorno solare", "Retorno solar", "Solarretour", "Powrót solarny"}},
    {"solar.supply", {"Solarvorlauf", "Solar supply", "Départ solaire", "Mandata solare", "Ida solar", "Solaraanvoer", "Zasilanie solarne"}},
    {"tank1.top", {"Speicher oben", "Tank top", "Ballon haut", "Accumulo alto", "Depósito arriba", "Boiler boven", "Zasobnik góra"}},
    {"tank1.bottom", {"Speicher unten", "Tank bottom", "Ballon bas", "Accumulo basso", "Depósito abajo", "Boiler onder", "Zasobnik dół"}},
    {"tank2.top", {"2. Speicher oben / Heizung Rücklauf", "2nd tank top / heating return", "Ballon 2 haut / retour chauffage", "Accumulo 2 alto / ritorno riscaldamento", "Depósito 2 arriba / retorno calefacción", "Boiler 2 boven / CV-retour", "Zasobnik 2 góra / powrót CO"}},
    {"tank2.bottom", {"2. Speicher unten", "2nd tank bottom", "Ballon 2 bas", "Accumulo 2 basso", "Depósito 2 abajo", "Boiler 2 onder", "Zasobnik 2 dół"}},
    {"outside", {"Außentemperatur", "Outside temperature", "Température extérieure", "Temperatura esterna", "Temperatura exterior", "Buitentemperatuur", "Temperatura zewnętrzna"}},
    {"collector.max", {"Maximale Kollektortemperatur", "Highest collector temperature", "Température max. du capteur", "Temperatura massima collettore", "Temperatura máxima colector", "Hoogste collectortemperatuur", "Maks. temperatura kolektora"}},
    {"collector1", {"Zusatzfühler Kollektor 1", "Extra sensor collector 1", "Sonde supp. capteur 1", "Sonda agg. collettore 1", "Sonda adic. colector 1", "Extra voeler collector 1", "Dodatkowy czujnik kolektora 1"}},
    {"outside1", {"Zusatzfühler Außen 1", "Extra sensor outside 1", "Sonde supp. extérieure 1", "Sonda agg. esterna 1", "Sonda adic. exterior 1", "Extra voeler buiten 1", "Dodatkowy czujnik zewn. 1"}},
    {"collector2", {"Zusatzfühler Kollektor 2", "Extra sensor collector 2", "Sonde supp. capteur 2", "Sonda agg. collettore 2", "Sonda adic. colector 2", "Extra voeler collector 2", "Dodatkowy czujnik kolektora 2"}},
    {"outside2", {"Zusatzfühler Außen 2", "Extra sensor outside 2", "Sonde supp. extérieure 2", "Sonda agg. esterna 2", "Sonda adic. exterior 2", "Extra voeler buiten 2", "Dodatkowy czujnik zewn. 2"}},
    {"sensor.faulty", {"Fühler defekt", "sensor faulty", "sonde défectueuse", "sonda guasta", "sonda averiada", "voeler defect", "czujnik uszkodzony"}},
    {"sensor.absent", {"Fühler fehlt", "sensor absent", "sonde absente", "sonda assente", "sin sonda", "geen voeler", "brak czujnika"}},
    // Pump and flow.
    {"pump.speed", {"Drehzahl Solarpumpe (0–1000)", "Solar pump speed (0–1000)", "Vitesse pompe solaire (0–1000)", "Velocità pompa solare (0–1000)", "Velocidad bomba solar (0–1000)", "Toerental solarpomp (0–1000)", "Prędkość pompy solarnej (0–1000)"}},
    {"pump.lock", {"Handbetrieb der Pumpe gesperrt", "Manual pump speed refused", "Vitesse manuelle refusée", "Velocità manuale rifiutata", "Velocidad manual rechazada", "Handmatig toerental geweigerd", "Ręczna prędkość zablokowana"}},
    {"flow", {"Volumenstrom", "Flow rate", "Débit", "Portata", "Caudal", "Debiet", "Przepływ"}},
    {"flow.faulty", {"Volumenstromsensor defekt", "Flow rate sensor faulty", "Capteur de débit défectueux", "Sensore di portata guasto", "Sensor de caudal averiado", "Debietsensor defect", "Czujnik przepływu uszkodzony"}},
    {"solar.output", {"Solare Leistung (Rohwert)", "Solar output (raw)", "Puissance solaire (brute)", "Potenza solare (grezza)", "Potencia solar (bruta)", "Zonnevermogen (ruw)", "Moc solarna (surowa)"}},
    // Status and signs.
    {"status", {"Reglerstatus", "Controller status", "État du régulateur", "Stato del regolatore", "Estado del regulador", "Regelaarstatus", "Stan regulatora"}},
    {"frost", {"Frost", "Frost", "Gel", "Gelo", "Helada", "Vorst", "Mróz"}},
    {"icon.flame", {"Flammensymbol", "Flame sign", "Symbole flamme", "Simbolo fiamma", "Símbolo llama", "Vlamsymbool", "Symbol płomienia"}},
    {"icon.clock", {"Uhrsymbol", "Clock sign", "Symbole horloge", "Simbolo orologio", "Símbolo reloj", "Kloksymbool", "Symbol zegara"}},
    {"tank1.full", {"Speicher 1 voll", "Tank 1 full", "Ballon 1 chargé", "Accumulo 1 carico", "Depósito 1 cargado", "Boiler 1 vol", "Zasobnik 1 pełny"}},
    {"tank2.full", {"Speicher 2 voll", "Tank 2 full", "Ballon 2 chargé", "Accumulo 2 carico", "Depósito 2 cargado", "Boiler 2 vol", "Zasobnik 2 pełny"}},
    {"tank2.row", {"Fünfte Messzeile zeigen", "Show the fifth reading", "Afficher la 5e mesure", "Mostra la 5ª misura", "Mostrar la 5.ª medida", "Vijfde meting tonen", "Pokaż piąty pomiar"}},
    {"extra.offered", {"Zusatzfühler vorhanden", "Extra sensors fitted", "Sondes supp. présentes", "Sonde agg. presenti", "Sondas adic. instaladas", "Extra voelers aanwezig", "Czujniki dodatkowe obecne"}},
    {"dialog", {"Update-Dialog offen", "Update dialog open", "Dialogue de mise à jour ouvert", "Finestra aggiornamento aperta", "Diálogo de actualización abierto", "Updatevenster open", "Okno aktualizacji otwarte"}},
    // Fault.
    {"fault.current", {"Aktuelle Störung", "Current fault", "Défaut actuel", "Anomalia attuale", "Avería actual", "Huidige storing", "Bieżąca usterka"}},
    {"fault.raise", {"Auslösen", "Raise", "Déclencher", "Attiva", "Activar", "Activeren", "Wywołaj"}},
    {"fault.clear", {"Löschen", "Clear", "Effacer", "Cancella", "Borrar", "Wissen", "Skasuj"}},
    {"history.add", {"In den Speicher", "Add to history", "Ajouter à l'historique", "Aggiungi allo storico", "Añadir al historial", "Aan geheugen toevoegen", "Dodaj do historii"}},
    {"history.time", {"Zeitpunkt", "Time", "Heure", "Ora", "Hora", "Tijdstip", "Czas"}},
    {"history.delete", {"Eintrag löschen", "Delete entry", "Supprimer l'entrée", "Elimina voce", "Borrar entrada", "Item wissen", "Usuń wpis"}},
    {"history.clear", {"Speicher leeren", "Empty history", "Vider l'historique", "Svuota storico", "Vaciar historial", "Geheugen legen", "Wyczyść historię"}},
    {"history.empty", {"leer", "empty", "vide", "vuoto", "vacío", "leeg", "pusty"}},
    // Commissioning.
    {"commissioning.possible", {"Inbetriebnahme möglich", "Commissioning possible", "Mise en service possible", "Messa in funzione possibile", "Puesta en marcha posible", "Ingebruikname mogelijk", "Uruchomienie możliwe"}},
    {"commissioning.step", {"Schritt (0–4)", "Step (0–4)", "Étape (0–4)", "Passo (0–4)", "Paso (0–4)", "Stap (0–4)", "Krok (0–4)"}},
    {"commissioning.vent", {"Entlüften verlangt", "Venting asked", "Purge demandée", "Sfiato richiesto", "Purga solicitada", "Ontluchten gevraagd", "Wymagane odpowietrzenie"}},
    {"commissioning.hold", {"Lauf hält an", "Run holds", "Essai en attente", "Prova in attesa", "Prueba en espera", "Test wacht", "Test wstrzymany"}},
    {"commissioning.counter", {"Laufzähler", "Run counter", "Compteur d'essais", "Contatore prove", "Contador de pruebas", "Testteller", "Licznik prób"}},
    // Presets and the reset.
    {"preset.frost", {"Frostnacht", "Frost night", "Nuit de gel", "Notte di gelo", "Noche de helada", "Vorstnacht", "Mroźna noc"}},
    {"preset.full", {"Speicher voll", "Tank full", "Ballon chargé", "Accumulo carico", "Depósito cargado", "Boiler vol", "Zasobnik pełny"}},
    {"preset.sensor", {"Kollektorfühler defekt", "Collector sensor broken", "Sonde capteur défectueuse", "Sonda collettore guasta", "Sonda colector averiada", "Collectorvoeler defect", "Czujnik kolektora uszkodzony"}},
    {"preset.summer", {"Sommermittag", "Summer noon", "Midi d'été", "Mezzogiorno d'estate", "Mediodía de verano", "Zomermiddag", "Letnie południe"}},
    {"reset", {"Startwerte", "Start values", "Valeurs de départ", "Valori iniziali", "Valores iniciales", "Startwaarden", "Wartości początkowe"}},
};
// clang-format on

}  // namespace

std::string PlantWord(std::string_view key, int language) {
    if (language < 0 || language > 6) language = 1;
    for (const Row& row : kWords) {
        if (key == row.key) return row.word[language];
    }
    return std::string(key);
}

int PlantWordCount() { return static_cast<int>(std::size(kWords)); }

std::string_view PlantWordKey(int index) { return kWords[index].key; }
