// Fills the menu list from a small table.
const items = [
  { name: "Espresso", price: 2.1 },
  { name: "Flat white", price: 3.4 },
  { name: "Croissant", price: 2.5 },
];

function renderMenu(list) {
  const menu = document.getElementById("menu");
  for (const item of list) {
    const li = document.createElement("li");
    li.textContent = `${item.name}: ${item.price.toFixed(2)} EUR`;
    menu.appendChild(li);
  }
}

document.addEventListener("DOMContentLoaded", () => renderMenu(items));
