import java.util.List;

/** Prints the menu of the demo site. */
public class Menu {
    record Item(String name, double price) {}

    public static void main(String[] args) {
        List<Item> items = List.of(new Item("Espresso", 2.1), new Item("Flat white", 3.4));
        for (Item item : items) {
            System.out.printf("%-12s %5.2f EUR%n", item.name(), item.price());
        }
    }
}
